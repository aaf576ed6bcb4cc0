#include "gui/settings_dialog/whole_number.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace zelvora {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

struct NumberText {
  const char* text;
  std::optional<int32_t> number;
};

TEST(WholeNumberTest, ReadsTheTextsOfTheTable) {
  const NumberText table[] = {
      // Decimal numbers, with leading blanks and a sign.
      {"0", 0},
      {"42", 42},
      {"   42", 42},
      {"+7", 7},
      {"-7", -7},
      {"-0", 0},
      {"007", 7},
      {"2147483647", kMax},
      {"-2147483648", kMin},
      {"00000000002147483647", kMax},
      // Hexadecimal numbers: up to eight digits after "$", "x" or "0x", read as 32 bits.
      {"$1F", 31},
      {"$ff", 255},
      {"x10", 16},
      {"X10", 16},
      {"0x7fffffff", kMax},
      {"0XFFFFFFFF", -1},
      {"$FFFFFFFF", -1},
      {"$80000000", kMin},
      {"  $0000000A", 10},
      // No number.
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"12 ", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"1e3", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"- 5", std::nullopt},
      {"\t5", std::nullopt},
      {"１２", std::nullopt},  // full-width digits
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"$G", std::nullopt},
      {"$100000000", std::nullopt},  // nine digits
      {"$000000001", std::nullopt},
      {"-$1", std::nullopt},
      {"0x1 ", std::nullopt},
  };
  for (const NumberText& row : table) {
    EXPECT_EQ(ToWholeNumber(row.text), row.number) << "\"" << row.text << "\"";
  }
}

}  // namespace
}  // namespace zelvora
