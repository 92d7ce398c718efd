// Every SET option the parser knows against its rule: an option is honoured
// with every value, or accepted only at the value the engine always runs under
// and refused by name (40517) at any other, or refused whatever its value.
// The SQL forms of these errors are in tests/platform/tsql/cases/set_options.test.
#include <gtest/gtest.h>

#include <string>

#include "platform/tsql/engine.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/parse/set_options.h"
#include "platform/tsql/sql_errors.h"

namespace mls::tsql {
namespace {

// The error number parsing `text` raises; 0 when it parses.
int parseError(const std::string& text) {
  return testing::errorOf([&] { parseBatch(text); });
}

// A value of the option's kind that the rule does not name.
std::string otherValue(const SetOptionRule& r) {
  if (r.kind == SetValueKind::OnOff) return acceptsValue(r, "ON") ? "OFF" : "ON";
  if (r.kind == SetValueKind::Number) return "12345";
  return "xyz";
}

TEST(SetOptions, EachOptionTakesWhatItsRuleSays) {
  ASSERT_GE(setOptionRules().size(), 35u);
  for (const SetOptionRule& r : setOptionRules()) {
    std::string set = "SET " + std::string(r.name) + " ";
    std::string first(r.values.substr(0, r.values.find('|')));
    switch (r.rule) {
      case SetRule::Honoured:
        if (r.kind == SetValueKind::OnOff) {
          EXPECT_EQ(parseError(set + "ON"), 0) << r.name;
          EXPECT_EQ(parseError(set + "OFF"), 0) << r.name;
        } else {  // a number or a word, or a variable read when the statement runs
          EXPECT_EQ(parseError(set + (r.kind == SetValueKind::Number ? "2" : "dmy")), 0) << r.name;
          EXPECT_EQ(parseError(set + "@v"), 0) << r.name;
        }
        break;
      case SetRule::OnlyValue:
        EXPECT_EQ(parseError(set + first), 0) << r.name;
        EXPECT_EQ(parseError(set + otherValue(r)), 40517) << r.name;
        EXPECT_EQ(parseError(set + "@v"), r.kind == SetValueKind::OnOff ? 102 : 40517) << r.name;
        break;
      case SetRule::Refused:
        EXPECT_EQ(parseError(set + "ON"), 40517) << r.name;
        break;
    }
    EXPECT_EQ(findSetOptionRule(r.name), &r);
  }
}

TEST(SetOptions, UnknownNamesAndValuesOfTheWrongKind) {
  EXPECT_EQ(parseError("SET NOCOUNTS ON"), 195);
  EXPECT_EQ(parseError("SET STATISTICS SPEED ON"), 195);
  EXPECT_EQ(parseError("SET NOCOUNT 1"), 102);
  EXPECT_EQ(parseError("SET NOCOUNT [ON]"), 102);
  EXPECT_EQ(parseError("SET NOCOUNT 'ON'"), 102);
  EXPECT_EQ(parseError("SET LANGUAGE [us_english] SET DATEFORMAT [dmy]"), 0);
  EXPECT_EQ(parseError("SET ROWCOUNT ON"), 156);
  EXPECT_EQ(parseError("SET ROWCOUNT, NOCOUNT ON"), 156);  // a list holds ON / OFF options only
  EXPECT_EQ(parseError("SET DATEFORMAT dmyy"), 2741);
  EXPECT_EQ(parseError("SET DATEFORMAT 'ydm' SET DATEFORMAT @f SET LANGUAGE N'us_english'"), 0);
  EXPECT_EQ(parseError("SET STATISTICS IO, TIME OFF"), 0);
  EXPECT_EQ(parseError("SET STATISTICS IO, TIME ON"), 40517);
  EXPECT_EQ(parseError("SET ANSI_NULLS, ANSI_PADDING, QUOTED_IDENTIFIER ON"), 0);
}

}  // namespace
}  // namespace mls::tsql
