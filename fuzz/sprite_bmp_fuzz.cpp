// The client's BMP path on arbitrary files: the probed size is the header's,
// and a loaded image has exactly that size.
#include "fuzz_support.h"
#include "platform_testing.h"
#include "sprites.h"

namespace {

// Every sprite the client loads is kept until exit, so only tiny ones go
// through LoadSprite; larger ones are decoded into an image freed each run.
constexpr std::int64_t KEPT_PIXELS_MAX = 64;
constexpr std::int64_t DECODED_PIXELS_MAX = 1 << 20;

std::int32_t HeaderInt32(const std::uint8_t* data, std::size_t size, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) {
    value = (value << 8) | (offset + i < size ? data[offset + i] : 0);
  }
  return static_cast<std::int32_t>(value);
}

bool SideUsable(std::int32_t side) {
  return side >= 1 && side <= MAX_IMAGE_SIDE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool screen_open = (Screen_OpenInMemory(640, 480), true);
  (void)screen_open;
  const char* path = WriteScratchFile(data, size);

  const bool is_bmp = size >= 2 && data[0] == 'B' && data[1] == 'M';
  const BmpSize size_probed = ProbeBmpSize(path);
  FUZZ_CHECK(size_probed.width == (is_bmp ? HeaderInt32(data, size, 18) : 0));
  FUZZ_CHECK(size_probed.height == (is_bmp ? HeaderInt32(data, size, 22) : 0));

  const bool usable = SideUsable(size_probed.width) && SideUsable(size_probed.height);
  const std::int64_t pixels = std::int64_t{size_probed.width} * size_probed.height;
  if (!usable || pixels <= KEPT_PIXELS_MAX) {
    const Image* image = LoadSprite(path);
    FUZZ_CHECK((image != nullptr) == usable);
    if (image == nullptr) return 0;
    FUZZ_CHECK(image->width == size_probed.width && image->height == size_probed.height);
    FUZZ_CHECK(image->pixels.size() == static_cast<std::size_t>(pixels));
  } else if (pixels <= DECODED_PIXELS_MAX) {
    Image image{size_probed.width, size_probed.height,
                std::vector<Colour>(static_cast<std::size_t>(pixels), FRESH_IMAGE_COLOUR)};
    LoadBitmapImage(path, &image);
    FUZZ_CHECK(image.pixels.size() == static_cast<std::size_t>(pixels));
  }
  return 0;
}
