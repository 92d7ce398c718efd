// StringBuilder, DateFormat and TextUtility.
#include <gtest/gtest.h>

#include "platform/com/error.h"
#include "platform/halvern/date_format.h"
#include "platform/halvern/string_builder.h"
#include "platform/halvern/text_utility.h"
#include "support/com_errors.h"

namespace mls::halvern {
namespace {

using com::SafeArray;
using com::Variant;

using mls::testing::errorOf;

Variant args(std::vector<Variant> items) {
  return Variant(SafeArray::vector(std::move(items)));
}

TEST(StringBuilder, CountsCharactersAndRemoves) {
  StringBuilder b;
  b.append("INSERT 原価");
  b.append("計算;");
  EXPECT_EQ(b.length(), 12);
  EXPECT_EQ(b.text().size(), 20u);
  b.remove(8, 2);
  EXPECT_EQ(b.text(), "INSERT 計算;");
  EXPECT_EQ(b.length(), 10);
  b.remove(1, 7);
  EXPECT_EQ(b.text(), "計算;");
  b.remove(1, b.length());  // how callers empty it
  EXPECT_EQ(b.text(), "");
  EXPECT_EQ(b.length(), 0);
  b.remove(1, 0);
  b.append("abc");
  EXPECT_EQ(errorOf([&] { b.remove(0, 1); }), 5);
  EXPECT_EQ(errorOf([&] { b.remove(3, 2); }), 5);
  EXPECT_EQ(errorOf([&] { b.remove(1, -1); }), 5);
  EXPECT_EQ(b.text(), "abc");
}

TEST(DateFormat, DayOnlyWithPaddedYear) {
  EXPECT_EQ(DateFormat::formatDate(Variant::date(com::makeDate(2024, 3, 5, 17, 45, 1)), "YYYY-MM-DD"),
            "2024-03-05");
  EXPECT_EQ(DateFormat::formatDate(Variant::date(com::makeDate(987, 11, 30)), "YYYY-MM-DD"), "0987-11-30");
  EXPECT_EQ(DateFormat::formatDate(Variant::date(-1.75), "YYYY-MM-DD"), "1899-12-29");
  EXPECT_EQ(DateFormat::formatDate(Variant("2023/1/2 10:00"), "YYYY-MM-DD"), "2023-01-02");
  EXPECT_EQ(DateFormat::formatDate(Variant::date(com::makeDate(2023, 1, 2)), "DD.MM.YYYY"), "02.01.2023");
  EXPECT_EQ(errorOf([] { DateFormat::formatDate(Variant::null(), "YYYY-MM-DD"); }), 94);
  EXPECT_EQ(errorOf([] { DateFormat::formatDate(Variant("soon"), "YYYY-MM-DD"); }), 13);
}

TEST(TextUtility, FillsPlaceholdersInOnePass) {
  EXPECT_EQ(TextUtility::fillPlaceholders("Period %1 of %2", args({Variant(3), Variant(2024)})),
            "Period 3 of 2024");
  // An argument's own placeholder text is not filled again.
  EXPECT_EQ(TextUtility::fillPlaceholders("%1-%2", args({Variant("%2"), Variant("b")})), "%2-b");
  EXPECT_EQ(TextUtility::fillPlaceholders("%2%1", args({Variant("x"), Variant("%1")})), "%1x");
  // A placeholder that names no argument stays; a lone '%' stays.
  EXPECT_EQ(TextUtility::fillPlaceholders("%1 %3 100% %", args({Variant("a"), Variant("b")})), "a %3 100% %");
  EXPECT_EQ(TextUtility::fillPlaceholders("%0%1", args({Variant("a")})), "%0a");
  EXPECT_EQ(TextUtility::fillPlaceholders("%1", args({Variant::null()})), "");
  EXPECT_EQ(TextUtility::fillPlaceholders("no args %1", args({})), "no args %1");
  EXPECT_EQ(errorOf([] { TextUtility::fillPlaceholders("%1", Variant("a")); }), 13);
}

TEST(TextUtility, TenthArgumentAndLongestNumber) {
  std::vector<Variant> ten;
  for (int i = 1; i <= 10; ++i)
    ten.emplace_back("a" + std::to_string(i));
  EXPECT_EQ(TextUtility::fillPlaceholders("%10|%1|%9", args(ten)), "a10|a1|a9");
  EXPECT_EQ(TextUtility::fillPlaceholders("%100", args(ten)), "a100");  // %10 then "0"
  ten.pop_back();
  EXPECT_EQ(TextUtility::fillPlaceholders("%10", args(ten)), "a10");  // %1 then "0"
  // Lower bound of the array does not matter: the first element is %1.
  EXPECT_EQ(TextUtility::fillPlaceholders("%1", Variant(SafeArray::vector({Variant("x")}, 5))), "x");
}

TEST(TextUtility, LengthAndNullToDefault) {
  EXPECT_EQ(TextUtility::textLength("原価計算abc"), 7);
  EXPECT_EQ(TextUtility::textLength(""), 0);
  EXPECT_EQ(TextUtility::nullToDefault(Variant::null(), Variant(0)).toLong(), 0);
  EXPECT_EQ(TextUtility::nullToDefault(Variant("x"), Variant(0)).toString(), "x");
  EXPECT_TRUE(TextUtility::nullToDefault(Variant(), Variant(0)).isEmpty());  // only Null is replaced
}

}  // namespace
}  // namespace mls::halvern
