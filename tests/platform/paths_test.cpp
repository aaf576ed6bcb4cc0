#include "platform/paths.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

TEST(PathsTest, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLower("Photo.JPG"), "photo.jpg");
  EXPECT_EQ(AsciiUpper("http://x"), "HTTP://X");
  // Multi-byte characters (here Ａ, full-width) and other bytes pass unchanged.
  EXPECT_EQ(AsciiLower("\xEF\xBC\xA1Z\xFF"), "\xEF\xBC\xA1z\xFF");
  EXPECT_EQ(AsciiUpper("\xEF\xBD\x81z"), "\xEF\xBD\x81Z");
}

}  // namespace
}  // namespace zelvora
