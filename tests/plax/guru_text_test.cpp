#include "gtest/gtest.h"
#include "plax/plax.h"

TEST(GuruText, EveryCodeHasItsExactText) {
  EXPECT_EQ(PLAX_GURUText(-1), "No error");
  EXPECT_EQ(PLAX_GURUText(0), "Unknown error");
  EXPECT_EQ(PLAX_GURUText(-2), "Unknown EventID");
  EXPECT_EQ(PLAX_GURUText(-3), "No Socket found in 'V_SOCKET'");
  EXPECT_EQ(PLAX_GURUText(-4), "Can't create socket");
  EXPECT_EQ(PLAX_GURUText(-5), "Can't bind port on socket");
  EXPECT_EQ(PLAX_GURUText(-6), "Can't set socket into listening-mode");
  EXPECT_EQ(PLAX_GURUText(-7), "Socket is already initalized");
  EXPECT_EQ(PLAX_GURUText(-8), "'V_MaxSimConReq' is out of range");
  EXPECT_EQ(PLAX_GURUText(-9), "Port out of range");
  EXPECT_EQ(PLAX_GURUText(-10), "Can't resolve IPA from host");
  EXPECT_EQ(PLAX_GURUText(-11), "Can't connect to remote computer [Timeout?]");
  EXPECT_EQ(PLAX_GURUText(-12), "PLAX-ID not found");
  EXPECT_EQ(PLAX_GURUText(-13), "Missing pointer of 'V_Event...'");
  EXPECT_EQ(PLAX_GURUText(-14), "IPA already in list");
  EXPECT_EQ(PLAX_GURUText(-15), "IPA is not in list");
  EXPECT_EQ(PLAX_GURUText(-16), "Return error in callback");
  EXPECT_EQ(PLAX_GURUText(-17), "IPA not found");
  EXPECT_EQ(PLAX_GURUText(-20), "PLAXID is not a server");
  EXPECT_EQ(PLAX_GURUText(-21), "No IPV6 supportet!");
}

TEST(GuruText, SendErrorTextIsWholeOnOneLine) {
  std::string text = PLAX_GURUText(PLAX_GURU_SEND_ERROR);
  EXPECT_EQ(text.size(), 94u);
  EXPECT_EQ(text,
            "Error while sending data. Not sure all data transmitted. Maybe connection lost or "
            "disconnected");
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST(GuruText, CodesWithoutTextAreUnknown) {
  for (PLAX_Result code : {-19, -22, 1, -1000, 2147483647}) {
    EXPECT_EQ(PLAX_GURUText(code), "Unknown GURU-Code") << code;
  }
}
