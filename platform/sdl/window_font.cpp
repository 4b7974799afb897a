// Finding the window's font through fontconfig, and the built-in glyphs that
// keep a line readable on a system without any font.
#include "window_font.h"

#include <fontconfig/fontconfig.h>

#include "platform/screen.h"

namespace {

// The family list goes through the system's substitution rules, so
// "monospace" brings in whatever monospaced faces it has; the spacing steers
// the sort towards them where no rule names them.
constexpr const char* FONT_PATTERN = "DejaVu Sans Mono,monospace:spacing=mono";

// Glyphs of 3 x 5 dots for the characters 32 to 95, five octal digits each:
// one per row from the top, 4 for the left dot, 2 the middle, 1 the right.
constexpr const char* GLYPHS[] = {
    "00000", "22202", "55000", "57575", "36236", "51245", "25253", "22000",  //  !"#$%&'
    "12221", "42224", "05250", "02720", "00024", "00700", "00002", "11244",  // ()*+,-./
    "75557", "26227", "71747", "71717", "55711", "74717", "74757", "71111",  // 01234567
    "75757", "75717", "02020", "02024", "12421", "07070", "42124", "71202",  // 89:;<=>?
    "75547", "25755", "65656", "34443", "65556", "74647", "74644", "34553",  // @ABCDEFG
    "55755", "72227", "11153", "55655", "44447", "57755", "65555", "25552",  // HIJKLMNO
    "65644", "25563", "65655", "34216", "72222", "55557", "55552", "55775",  // PQRSTUVW
    "55255", "55222", "71247", "64446", "44211", "61116", "25000", "00007",  // XYZ[\]^_
};
constexpr int GLYPH_FIRST = 32;
constexpr int GLYPH_COUNT = sizeof GLYPHS / sizeof GLYPHS[0];
constexpr int GLYPH_DOT = 2;  // screen pixels per dot either way
static_assert(BUILTIN_GLYPH_ADVANCE == 4 * GLYPH_DOT, "three dots and a gap");

const char* Glyph_For(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const int index = static_cast<unsigned char>(c) - GLYPH_FIRST;
  return index >= 0 && index < GLYPH_COUNT ? GLYPHS[index] : GLYPHS['?' - GLYPH_FIRST];
}

// One dot of a glyph: a GLYPH_DOT square, clipped like any box.
void Dot_Draw(int x, int y, Colour colour) {
  DrawFilledBox(x, y, x + GLYPH_DOT - 1, y + GLYPH_DOT - 1, colour);
}

TTF_Font* Font_OpenFromSet(FcFontSet* fonts, int point_size) {
  for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
    TTF_Font* font = TTF_OpenFontIndex(reinterpret_cast<const char*>(file), point_size,
                                       static_cast<long>(index));
    if (font != nullptr) return font;
  }
  return nullptr;
}

}  // namespace

TTF_Font* WindowFont_Open(int point_size) {
  if (FcInit() == FcFalse) return nullptr;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(FONT_PATTERN));
  if (pattern == nullptr) return nullptr;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultMatch;
  // Every face, closest first: a face that will not open gives way to the next.
  FcFontSet* fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  TTF_Font* font = Font_OpenFromSet(fonts, point_size);
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcPatternDestroy(pattern);
  return font;
}

void BuiltinGlyphs_Draw(std::string_view line, int x, int y, Colour colour) {
  for (char c : line) {
    const char* glyph = Glyph_For(c);
    for (int row = 0; row < 5; ++row) {
      const int bits = glyph[row] - '0';
      for (int column = 0; column < 3; ++column) {
        if ((bits & (4 >> column)) != 0) {
          Dot_Draw(x + column * GLYPH_DOT, y + row * GLYPH_DOT, colour);
        }
      }
    }
    x += BUILTIN_GLYPH_ADVANCE;
  }
}
