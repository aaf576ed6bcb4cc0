#include "engine/page_charset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/encoding.h"

namespace zelvora {
namespace {

using std::string_literals::operator""s;

TEST(PageCharsetTest, ByteOrderMarksDecideFirst) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\xEF\xBB\xBF<meta charset=euc-jp>", "UTF-8"},
      {"\xFF\xFE<\x00p\x00>\x00"s, "UTF-16LE"},
      {"\xFE\xFF\x00<\x00p"s, "UTF-16BE"},
      {"\xFF\xFE\x00\x00<\x00\x00\x00"s, "UTF-32LE"},
      {"\x00\x00\xFE\xFF\x00\x00\x00<"s, "UTF-32BE"},
  };
  for (const auto& [page, charset] : cases) EXPECT_EQ(DetectPageCharset(page), charset);
  EXPECT_FALSE(IsAsciiCompatibleCharset("UTF-16LE"));
  EXPECT_FALSE(IsAsciiCompatibleCharset("UTF-32BE"));
}

TEST(PageCharsetTest, DeclaredCharsetsMapToIconvNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"(<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)", "CP932"},
      {R"(<META CONTENT="text/html;CHARSET=x-sjis">)", "CP932"},
      {R"(<meta charset="windows-31j">)", "CP932"},
      {"<meta charset='MS932'>", "CP932"},
      {"<meta charset = sjis>", "CP932"},
      {R"(<meta charset="EUC-JP">)", "EUC-JP"},
      {"<meta charset=x-euc-jp>", "EUC-JP"},
      {"<meta charset=utf8>", "UTF-8"},
      {R"(<meta charset="UTF-8"/>)", "UTF-8"},
      {"<meta charset=iso-8859-1>", "ISO-8859-1"},
      {"<meta charset=no-such-charset>", "CP932"},
      // A declaration read as ASCII cannot be true of a UTF-16 page.
      {"<meta charset=utf-16>", "UTF-8"},
      // Not ASCII-compatible: the page's bytes cannot be what it says.
      {"<meta charset=IBM037>", "CP932"},
      // "charset" without a name is passed over; the next declaration counts.
      {"<p>charset: none</p><meta charset=euc-jp>", "EUC-JP"},
      {"<meta charset=>", "CP932"},
      {"<p>plain page</p>", "CP932"},
      {"", "CP932"},
  };
  for (const auto& [page, charset] : cases) EXPECT_EQ(DetectPageCharset(page), charset) << page;
}

TEST(PageCharsetTest, OnlyDeclarationsWithinTheFirst4096BytesCount) {
  const std::string declaration = "<meta charset=iso-8859-15>";
  const std::string inside = std::string(kCharsetWindow - declaration.size(), ' ') + declaration;
  EXPECT_EQ(DetectPageCharset(inside), "ISO-8859-15");
  // One byte later the name could be cut short, and it is not taken.
  EXPECT_EQ(DetectPageCharset(" " + inside), "CP932");
  EXPECT_EQ(DetectPageCharset(std::string(kCharsetWindow, '\0') + declaration), "CP932");
}

TEST(PageCharsetTest, ACp932ValueWhoseSecondByteIsBackslashStaysOneCharacter) {
  // "表" is 0x95 0x5C in CP932.
  EXPECT_EQ(DecodePageText("dir/\x95\x5C.htm", "CP932"), "dir/表.htm");
  EXPECT_EQ(DecodePageText("\xC9\xBD.htm", "EUC-JP"), "表.htm");
  EXPECT_EQ(DecodePageText("表.htm", "UTF-8"), "表.htm");
}

TEST(PageCharsetTest, BytesThatDoNotDecodeAreKeptAndNeverBecomeWildcards) {
  EXPECT_EQ(DecodePageText("sub\\page.htm#top", "CP932"), "sub\\page.htm#top");
  EXPECT_EQ(DecodePageText("news\xFF.htm", "UTF-8"), "news\xFF.htm");
  EXPECT_EQ(DecodePageText("\x95\x5C\xFF.htm", "CP932"), "表\xFF.htm");
  // An unassigned double-byte character keeps its trail byte, even the byte of "\\".
  EXPECT_EQ(DecodePageText("a\x85\x40z", "CP932"), "a\x85\x40z");
  EXPECT_EQ(DecodePageText("a\x85\x5Cz", "CP932"), "a\x85\x5Cz");
  EXPECT_EQ(DecodePageText("a\x00\x95"s, "CP932"), "a\x00\x95"s);  // cut double-byte char
  EXPECT_EQ(DecodePageText("a\xE9", "NO-SUCH-CHARSET"), "a\xE9");
}

TEST(PageCharsetTest, DateTextsAreEncodedInThePageCharset) {
  EXPECT_EQ(EncodeForPage("2024/01/03", "CP932"), "2024/01/03");
  EXPECT_EQ(EncodeForPage("2024年1月3日", "CP932"),
            ConvertText("2024年1月3日", kUtf8, kCp932).value());
  EXPECT_EQ(EncodeForPage("表", "EUC-JP"), "\xC9\xBD");
  EXPECT_EQ(EncodeForPage("表", "UTF-8"), "表");
  EXPECT_EQ(EncodeForPage("1月 😀", "CP932"), "1\x8C\x8E ?");
  EXPECT_EQ(EncodeForPage("1月", "ISO-8859-1"), "1?");
  EXPECT_EQ(EncodeForPage("ab", "UTF-16LE"),
            "a\x00"
            "b\x00"s);
}

}  // namespace
}  // namespace zelvora
