#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

// "表" is 0x95 0x5C in CP932: its second byte is the byte of "\".
constexpr char kHyouCp932[] = "\x95\x5C";
constexpr char kHyouUtf8[] = "表";

TEST(EncodingTest, ConvertsJapaneseBetweenCp932EucJpAndUtf8) {
  auto utf8 = ConvertText(kHyouCp932, kCp932, kUtf8);
  ASSERT_TRUE(utf8.ok());
  EXPECT_EQ(*utf8, kHyouUtf8);

  auto cp932 = ConvertText("更新日 2024年1月3日", kUtf8, kCp932);
  ASSERT_TRUE(cp932.ok());
  auto back = ConvertText(*cp932, kCp932, kUtf8);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, "更新日 2024年1月3日");

  auto euc = ConvertText(kHyouUtf8, kUtf8, kEucJp);
  ASSERT_TRUE(euc.ok());
  EXPECT_EQ(*euc, "\xC9\xBD");
}

TEST(EncodingTest, ReportsWhereTextDoesNotConvert) {
  auto bad = ConvertText("ab\xFF\xFE", kUtf8, kCp932);
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.status().message().find("at byte 2"), std::string::npos);

  // A character without a CP932 form.
  EXPECT_FALSE(ConvertText("😀", kUtf8, kCp932).ok());
  EXPECT_FALSE(ConvertText("x", "NO-SUCH-CHARSET", kUtf8).ok());
}

TEST(EncodingTest, LossyConversionReplacesWhatDoesNotConvert) {
  EXPECT_EQ(ConvertTextLossy("a😀b", kUtf8, kCp932), "a?b");
  EXPECT_EQ(ConvertTextLossy("a\xFF"
                             "b",
                             kUtf8, kCp932),
            "a?b");
  EXPECT_EQ(ConvertTextLossy("表", kUtf8, kCp932), kHyouCp932);
  EXPECT_EQ(ConvertTextLossy("a\xE3\x81", kUtf8, kCp932), "a?");  // cut-off sequence at the end
  EXPECT_EQ(ConvertTextLossy("aé", kUtf8, "NO-SUCH-CHARSET"), "a??");
}

TEST(EncodingTest, RecognisesUtf8AndAscii) {
  EXPECT_TRUE(IsValidUtf8("abc 表 😀"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(IsValidUtf8(kHyouCp932));
  EXPECT_TRUE(IsAscii("index.htm#top"));
  EXPECT_FALSE(IsAscii(kHyouUtf8));
  EXPECT_TRUE(IsKnownCharset("Shift_JIS"));
  EXPECT_FALSE(IsKnownCharset("NO-SUCH-CHARSET"));
}

}  // namespace
}  // namespace zelvora
