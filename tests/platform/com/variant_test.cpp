#include "platform/com/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/error.h"
#include "support/com_errors.h"

namespace mls::com {
namespace {

using mls::testing::errorOf;

// An object whose default member (the empty name) answers a fixed value or raises.
class DefaultValueObject : public Dispatch {
 public:
  explicit DefaultValueObject(std::optional<Variant> value, int32_t error = 0)
      : value_(std::move(value)), error_(error) {}
  HResult queryInterface(const Guid&, void** out) override {
    *out = nullptr;
    return kNoInterface;
  }
  uint32_t addRef() override { return ++refs_; }
  uint32_t release() override {
    uint32_t n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HResult invoke(std::string_view name, InvokeKind kind, std::span<Variant>, Variant* result,
                 ExcepInfo* excep) override {
    if (name.empty() && kind == InvokeKind::PropertyGet && value_ && error_ == 0) {
      *result = *value_;
      return kOk;
    }
    *excep = ExcepInfo{error_ ? error_ : err::kNoSuchMember, "Test.Object", "failed", {}, 0};
    return kDispException;
  }

 private:
  std::optional<Variant> value_;
  int32_t error_;
  uint32_t refs_ = 0;
};

Variant objectWith(std::optional<Variant> value, int32_t error = 0) {
  return Variant(Ref<Dispatch>(new DefaultValueObject(std::move(value), error)));
}

TEST(VariantConvert, ObjectsConvertThroughTheirDefaultMember) {
  EXPECT_EQ(objectWith(Variant("42")).toLong(), 42);
  EXPECT_EQ(objectWith(Variant(2.5)).toString(), "2.5");
  EXPECT_EQ(concat(Variant("n="), objectWith(Variant(int16_t{3}))), "n=3");
  EXPECT_EQ(errorOf([] { objectWith(std::nullopt).toLong(); }), 13);  // no default member
  EXPECT_EQ(errorOf([] { objectWith(Variant(1), 3265).toString(); }), 3265);
  EXPECT_EQ(errorOf([] { objectWith(Variant::nothing()).toString(); }), 13);
  EXPECT_EQ(errorOf([] { Variant::nothing().toString(); }), 91);
  EXPECT_EQ(objectWith(Variant(1)).convertTo(VarKind::Object).rawKind(), VarKind::Object);
}

TEST(VariantConvert, LongFromOtherKindsRoundingHalfToEven) {
  const std::pair<double, int32_t> numbers[] = {{2.5, 2},
                                                {3.5, 4},
                                                {-2.5, -2},
                                                {-3.5, -4},
                                                {2.5000001, 3},
                                                {12.0, 12},
                                                {2147483647.4, 2147483647},
                                                {-2147483648.0, INT32_MIN}};
  for (auto [d, n] : numbers)
    EXPECT_EQ(Variant(d).toLong(), n) << d;
  const std::pair<const char*, int32_t> texts[] = {{"2.5", 2}, {"12", 12}, {" -12 ", -12}, {"1E3", 1000}};
  for (auto [t, n] : texts)
    EXPECT_EQ(Variant(t).toLong(), n) << t;
  EXPECT_EQ(Variant().toLong(), 0);
  EXPECT_EQ(Variant(true).toLong(), -1);
  EXPECT_EQ(Variant(int16_t{-7}).toLong(), -7);
  EXPECT_EQ(Variant::date(45000.25).toLong(), 45000);
  EXPECT_EQ(Variant(Decimal::fromParts(35, 1, true)).toInteger(), -4);
  EXPECT_EQ(Variant(Decimal::fromParts(25, 1, false)).toByte(), 2);
  EXPECT_EQ(Variant(false).toInteger(), 0);
  EXPECT_EQ(Variant(".5").toDouble(), 0.5);
  EXPECT_EQ(Variant("+5.").toDouble(), 5.0);
}

TEST(VariantConvert, LongErrors) {
  const std::pair<Variant, int32_t> cases[] = {{Variant::null(), 94},       {Variant("abc"), 13},
                                               {Variant(""), 13},           {Variant("12abc"), 13},
                                               {Variant::missing(), 13},    {Variant::nothing(), 91},
                                               {Variant(2147483647.5), 6},  // rounds to 2^31
                                               {Variant(-2147483649.0), 6}, {Variant(std::nan("")), 6}};
  for (const auto& c : cases)
    EXPECT_EQ(errorOf([&] { c.first.toLong(); }), c.second) << c.first.debugString();
  EXPECT_EQ(errorOf([] { Variant("nan").toDouble(); }), 13);
  EXPECT_EQ(errorOf([] { Variant(32767.5).toInteger(); }), 6);
  EXPECT_EQ(errorOf([] { Variant(-1).toByte(); }), 6);
  for (const char* huge : {"1E400", "1E99999999999999999999", "0.001E+99999999999999999999"})
    EXPECT_EQ(errorOf([huge] { Variant(huge).toDouble(); }), 6) << huge;
  for (const char* tiny : {"-1E-400", "1E-99999999999999999999", "1000E-99999999999999999999"})
    EXPECT_EQ(Variant(tiny).toDouble(), 0.0) << tiny;
}

TEST(VariantConvert, Text) {
  const std::pair<double, const char*> numbers[] = {{0.1 + 0.2, "0.3"},
                                                    {0.00001, "1E-05"},
                                                    {0.0001, "0.0001"},
                                                    {1.5e20, "1.5E+20"},
                                                    {123456789012345678.0, "1.23456789012346E+17"},
                                                    {1e15, "1E+15"},
                                                    {999999999999999.0, "999999999999999"},
                                                    {-0.5, "-0.5"},
                                                    {-1.25e-7, "-1.25E-07"},
                                                    {1e100, "1E+100"},
                                                    {100.0, "100"},
                                                    {-0.0, "0"},
                                                    {2.0 / 3.0, "0.666666666666667"}};
  for (auto [d, text] : numbers)
    EXPECT_EQ(Variant(d).toString(), text);
  EXPECT_EQ(Variant(true).toString(), "True");
  EXPECT_EQ(Variant(false).toString(), "False");
  EXPECT_EQ(Variant().toString(), "");
  EXPECT_EQ(Variant(int32_t{-42}).toString(), "-42");
  EXPECT_EQ(Variant(uint8_t{200}).toString(), "200");
  EXPECT_EQ(Variant(*Decimal::parse("-0.50")).toString(), "-0.5");
  EXPECT_EQ(errorOf([] { Variant::null().toString(); }), 94);
  EXPECT_EQ(errorOf([] { Variant(SafeArray::vector({Variant(1)})).toString(); }), 13);
}

TEST(VariantConvert, BooleanFromText) {
  EXPECT_TRUE(Variant("true").toBool());
  EXPECT_FALSE(Variant("FALSE").toBool());
  EXPECT_TRUE(Variant("-1").toBool());
  EXPECT_FALSE(Variant("0").toBool());
  EXPECT_TRUE(Variant(0.1).toBool());
  EXPECT_EQ(errorOf([] { Variant("yes").toBool(); }), 13);
  EXPECT_EQ(errorOf([] { Variant::null().toBool(); }), 94);
}

TEST(VariantConvert, DecimalIsExact) {
  EXPECT_EQ(Variant("0.1").toDecimal() + Variant("0.2").toDecimal(), Variant("0.3").toDecimal());
  EXPECT_EQ(Variant(0.1).toDecimal() + Variant(0.2).toDecimal(), Variant(0.3).toDecimal());
  EXPECT_EQ(Variant("12345678901234567890.123456789").toDecimal().toString(),
            "12345678901234567890.123456789");
  EXPECT_EQ(Variant(true).toDecimal().toString(), "-1");
  EXPECT_EQ(Variant().toDecimal().toString(), "0");
  EXPECT_EQ(errorOf([] { Variant("x").toDecimal(); }), 13);
  EXPECT_EQ(errorOf([] { Variant::null().toDecimal(); }), 94);
  EXPECT_DOUBLE_EQ(Variant(*Decimal::parse("1.25")).toDouble(), 1.25);
}

TEST(VariantDate, TextFormsWithAndWithoutTime) {
  EXPECT_EQ(Variant::date(makeDate(2024, 2, 29)).toString(), "2024-02-29");
  EXPECT_EQ(Variant::date(makeDate(2024, 2, 29, 13, 5, 9)).toString(), "2024-02-29 13:05:09");
  EXPECT_EQ(Variant::date(0).toString(), "1899-12-30");
  EXPECT_EQ(Variant::date(-1.25).toString(), "1899-12-29 06:00:00");
  EXPECT_EQ(Variant::date(makeDate(999, 1, 2)).toString(), "0999-01-02");
  // A time a fraction of a second before midnight shows as the next day.
  EXPECT_EQ(Variant::date(makeDate(2024, 1, 1) + 86399.9 / 86400).toString(), "2024-01-02");
}

TEST(VariantDate, ParsesAcceptedTextForms) {
  double d = makeDate(2023, 7, 14);
  EXPECT_DOUBLE_EQ(Variant("2023-07-14").toDate(), d);
  EXPECT_DOUBLE_EQ(Variant("2023/7/14").toDate(), d);
  EXPECT_DOUBLE_EQ(Variant("2023-07-14 08:30").toDate(), makeDate(2023, 7, 14, 8, 30));
  EXPECT_DOUBLE_EQ(Variant("2023/07/14 8:30:15").toDate(), makeDate(2023, 7, 14, 8, 30, 15));
  EXPECT_EQ(makeDate(1900, 1, 1), 2.0);
  EXPECT_DOUBLE_EQ(Variant(45000).toDate(), 45000.0);
  EXPECT_DOUBLE_EQ(Variant::date(d).toDate(), d);
  for (const char* bad : {"2023-13-01", "2023-02-29", "2023-07-14 24:00", "2023-07/14", "14.07.2023",
                          "2023-07-14x", "2023-07-14 8:3", "23-07-14", ""}) {
    EXPECT_EQ(errorOf([&] { Variant(bad).toDate(); }), 13) << bad;
  }
  EXPECT_EQ(errorOf([] { Variant(1e9).toDate(); }), 6);
  EXPECT_EQ(errorOf([] { Variant::null().toDate(); }), 94);
}

TEST(VariantDate, SplitsAndSubtractsDays) {
  DateParts p = splitDate(makeDate(1600, 2, 29, 23, 59, 58));
  EXPECT_EQ(p.year, 1600);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.second, 58);
  EXPECT_DOUBLE_EQ(dateMinusDays(makeDate(2024, 3, 1), 1), makeDate(2024, 2, 29));
  // Before 1899-12-30 the fraction still counts forward in the day.
  EXPECT_EQ(Variant::date(dateMinusDays(0.25, 1)).toString(), "1899-12-29 06:00:00");
  EXPECT_EQ(Variant::date(dateMinusDays(-1.25, -2)).toString(), "1899-12-31 06:00:00");
  EXPECT_EQ(errorOf([] { dateMinusDays(makeDate(100, 1, 1), 1); }), 6);
}

TEST(VariantOps, ConcatenationTreatsNullAsEmpty) {
  EXPECT_EQ(concat(Variant("a"), Variant::null()), "a");
  EXPECT_EQ(concat(Variant::null(), Variant(1.5)), "1.5");
  EXPECT_EQ(concat(Variant(), Variant(true)), "True");
  EXPECT_EQ(concat(Variant(int32_t{12}), Variant::date(makeDate(2020, 1, 2))), "122020-01-02");
}

TEST(VariantOps, TextComparison) {
  const std::tuple<const char*, const char*, bool, int> cases[] = {
      {"abc", "ABC", true, 0},   {"abc", "ABC", false, 1}, {"Äpfel", "äPFEL", true, 0},
      {"ŁÓDŹ", "łódź", true, 0}, {"ΑΒΓ", "αβγ", true, 0},  {"Привет", "пРИВЕТ", true, 0},
      {"a", "b", true, -1},      {"ab", "a", false, 1},    {"", "", false, 0}};
  for (const auto& [a, b, noCase, order] : cases)
    EXPECT_EQ(compareText(a, b, noCase), order) << a << " " << b;
}

TEST(VariantOps, RoundHalfToEven) {
  EXPECT_EQ(roundHalfEven(Variant(2.5), 0).toDouble(), 2.0);
  EXPECT_EQ(roundHalfEven(Variant(3.5), 0).toDouble(), 4.0);
  EXPECT_EQ(roundHalfEven(Variant(-2.5), 0).toDouble(), -2.0);
  EXPECT_EQ(roundHalfEven(Variant(0.125), 2).toDouble(), 0.12);
  EXPECT_EQ(roundHalfEven(Variant(2.675), 2).toDouble(), 2.68);  // rounds the written value
  Variant d = roundHalfEven(Variant(*Decimal::parse("1.005")), 2);
  EXPECT_EQ(d.kind(), VarKind::Decimal);
  EXPECT_EQ(d.toString(), "1");
  EXPECT_TRUE(roundHalfEven(Variant::null(), 0).isNull());
  EXPECT_EQ(roundHalfEven(Variant(int32_t{7}), 0).kind(), VarKind::Long);
  EXPECT_EQ(errorOf([] { roundHalfEven(Variant(1.0), -1); }), 5);
}

TEST(VariantOps, CharacterLength) {
  EXPECT_EQ(charLength(""), 0u);
  EXPECT_EQ(charLength("abc"), 3u);
  EXPECT_EQ(charLength("原価計算"), 4u);
  EXPECT_EQ(charLength("Größe😀"), 6u);
}

TEST(VariantArray, BoundsAndElements) {
  SafeArray a({{1, 3}, {-2, 2}});  // (1 To 3, -2 To -1)
  EXPECT_EQ(a.dims(), 2);
  EXPECT_EQ(a.lbound(1), 1);
  EXPECT_EQ(a.ubound(1), 3);
  EXPECT_EQ(a.lbound(2), -2);
  EXPECT_EQ(a.ubound(2), -1);
  EXPECT_EQ(a.size(), 6u);
  a.at({3, -1}) = Variant("last");
  a.at({2, -2}) = Variant(5);
  EXPECT_EQ(a.elements()[5].toString(), "last");  // first index varies fastest
  EXPECT_EQ(a.elements()[1].toLong(), 5);
  EXPECT_EQ(errorOf([&] { a.at({4, -1}); }), 9);
  EXPECT_EQ(errorOf([&] { a.at({1, 0}); }), 9);
  EXPECT_EQ(errorOf([&] { a.at({1}); }), 9);
  EXPECT_EQ(errorOf([&] { a.lbound(3); }), 9);
  EXPECT_EQ(errorOf([&] { a.ubound(0); }), 9);

  SafeArray empty = SafeArray::vector({});
  EXPECT_EQ(empty.lbound(), 0);
  EXPECT_EQ(empty.ubound(), -1);
  EXPECT_EQ(errorOf([&] { empty.at({0}); }), 9);
}

TEST(VariantArray, CopyingCopiesTheElements) {
  Variant a(SafeArray::vector({Variant(1), Variant("x")}, 1));
  Variant b = a;
  b.array().at({1}) = Variant(99);
  EXPECT_EQ(a.array().at({1}).toLong(), 1);
  EXPECT_EQ(b.array().at({1}).toLong(), 99);
  a = b;
  EXPECT_EQ(a.array().at({1}).toLong(), 99);
  // Assigning an element of an array to the array itself keeps the element.
  a = a.array().at({2});
  EXPECT_EQ(a.toString(), "x");
  EXPECT_EQ(errorOf([] { Variant(1).array(); }), 13);
}

// Each kind keeps its value through copies, moves and assignments over a
// Variant of another kind (the sanitizer build checks nothing leaks or is
// released twice); a decimal keeps all 96 bits of its mantissa and its sign.
TEST(VariantValue, EveryKindSurvivesCopyMoveAndAssignmentOverAnother) {
  const std::vector<Variant> values = {
      Variant(),
      Variant::null(),
      Variant(true),
      Variant(static_cast<uint8_t>(200)),
      Variant(static_cast<int16_t>(-3)),
      Variant(123456),
      Variant(2.5),
      Variant(*Decimal::parse("-79228162514264337593543950335")),
      Variant(*Decimal::parse("0.0000000000000000000000000001")),
      Variant::date(45000.5),
      Variant("short"),
      Variant(std::string(100, 'x')),
      objectWith(Variant(7)),
      Variant::nothing(),
      Variant(SafeArray::vector({Variant(1), Variant("y")}, 0)),
  };
  for (const Variant& v : values) {
    const std::string expected = v.debugString();
    for (const Variant& other : values) {
      Variant copy = v;
      Variant target = other;
      target = copy;
      EXPECT_EQ(target.debugString(), expected) << "assigned over " << other.debugString();
      Variant moved = other;
      moved = std::move(copy);
      EXPECT_EQ(moved.debugString(), expected) << "moved over " << other.debugString();
      EXPECT_TRUE(copy.isEmpty());
      Variant built(std::move(moved));
      EXPECT_EQ(built.debugString(), expected);
    }
  }
  EXPECT_EQ(values[7].toDecimal().toString(), "-79228162514264337593543950335");
  EXPECT_EQ(values[12].toLong(), 7);
  EXPECT_EQ(values[14].array().at({1}).toString(), "y");
}

TEST(VariantByRef, AssignsThroughToTheCaller) {
  Variant caller(1);
  Variant ref = Variant::byRef(&caller);
  EXPECT_EQ(ref.rawKind(), VarKind::ByRef);
  EXPECT_EQ(ref.kind(), VarKind::Long);
  EXPECT_EQ(ref.toLong(), 1);
  ref.assign(Variant("changed"));
  EXPECT_EQ(caller.toString(), "changed");
  // A reference to a reference refers to the original.
  Variant refRef = Variant::byRef(&ref);
  refRef.assign(Variant(2.5));
  EXPECT_EQ(caller.kind(), VarKind::Double);
  // Copying a reference copies the reference; assigning through a copy reaches the caller.
  Variant copy = ref;
  copy.assign(ref.convertTo(VarKind::Long));
  EXPECT_EQ(caller.rawKind(), VarKind::Long);
  EXPECT_EQ(caller.toLong(), 2);
  // Plain assignment replaces the reference itself.
  ref = Variant(7);
  EXPECT_EQ(ref.rawKind(), VarKind::Long);
  EXPECT_EQ(caller.toLong(), 2);
}

TEST(VariantConvert, ConvertTo) {
  EXPECT_EQ(Variant("12").convertTo(VarKind::Long).rawKind(), VarKind::Long);
  EXPECT_EQ(Variant(12.0).convertTo(VarKind::Long).toLong(), 12);
  EXPECT_EQ(Variant("2020-01-01").convertTo(VarKind::Date).rawKind(), VarKind::Date);
  EXPECT_EQ(Variant(3).convertTo(VarKind::String).asString(), "3");
  EXPECT_EQ(errorOf([] { Variant::null().convertTo(VarKind::Long); }), 94);
  EXPECT_EQ(errorOf([] { Variant(1).convertTo(VarKind::Null); }), 13);
  EXPECT_EQ(errorOf([] { Variant(1).convertTo(VarKind::Object); }), 424);
  const Variant nothing = Variant().convertTo(VarKind::Object);  // Empty is Nothing
  EXPECT_EQ(nothing.rawKind(), VarKind::Object);
  EXPECT_FALSE(nothing.toObject());
  EXPECT_EQ(Variant::missing().convertTo(VarKind::Missing).rawKind(), VarKind::Missing);
}

TEST(Guid, ParsesAndPrints) {
  std::optional<Guid> g = Guid::parse("{e6161e5e-956a-11d7-9e78-00e01869f6b0}");
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->d1, 0xE6161E5Eu);
  EXPECT_EQ(g->d2, 0x956A);
  EXPECT_EQ(g->d4[0], 0x9E);
  EXPECT_EQ(g->d4[7], 0xB0);
  EXPECT_EQ(g->toString(), "{E6161E5E-956A-11D7-9E78-00E01869F6B0}");
  EXPECT_EQ(Guid::parse("E6161E5E-956A-11D7-9E78-00E01869F6B0"), g);
  for (const char* bad : {"", "{E6161E5E-956A-11D7-9E78-00E01869F6B0", "E6161E5E-956A-11D7-9E78-00E01869F6BG",
                          "E6161E5E956A-11D7-9E78-00E01869F6B0", "{E6161E5E-956A-11D7-9E78-00E01869F6B0}x"}) {
    EXPECT_FALSE(Guid::parse(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace mls::com
