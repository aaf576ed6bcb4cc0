#include "engine/line_model.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

TEST(LineModelTest, WrittenTextEndsEveryLineWithCrLf) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\r\n", "a\r\n"},
      {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"\r\r\n\r", "\r\n\r\n\r\n"},
      {std::string("a\0b\n", 4), std::string("a\0b\r\n", 5)},
  };
  for (const auto& c : cases) EXPECT_EQ(WithCrLfLineEnds(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace zelvora
