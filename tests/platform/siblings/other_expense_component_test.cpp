// Ashgrove.OthenExpense created by ProgID: the standard a department has set
// for shared material, per purpose, with its name in the caller's language.
#include <gtest/gtest.h>

#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "platform/siblings/sibling_classes.h"
#include "support/recordset_rows.h"
#include "support/test_database.h"

namespace mls::siblings {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class OtherExpenseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const com::ClassEntry& e : siblingClasses())
      com::ClassRegistry::instance().add(e);
    db_.runSchemaFile("erp.sql");
    db_.run(
        "INSERT INTO cb_BmStandard (FNum, FName, FName_EN, FName_CHT) VALUES (10, N'产量', 'Output', NULL)"
        " INSERT INTO cbExpStandardSet (FDeptID, FExpenseType, FPurposeID, FStandardID) VALUES"
        " (1, 1, 0, 10), (1, 1, 1, -999), (1, 2, 0, 11), (2, 1, 0, 12)");
    component_ = com::createObject("Ashgrove.OthenExpense");
  }

  Rows standardSet(int32_t dept, int16_t kind, int16_t purpose, const std::string& language = "chs") {
    com::Variant rs = com::callByName(*component_, "GetOtherExpStandardSet", db_.props(language), dept,
                                      com::Variant(kind), com::Variant(purpose));
    auto& recordset = dynamic_cast<ado::Recordset&>(*rs.toObject().get());
    EXPECT_FALSE(recordset.activeConnection()) << "detached";
    return testing::sortedRowTexts(recordset);
  }

  testing::TestDatabase db_;
  com::Ref<com::Dispatch> component_;
};

TEST_F(OtherExpenseTest, AnswersTheDepartmentsSettingForKindAndPurpose) {
  const struct {
    const char* what;
    int32_t dept;
    int16_t kind, purpose;
    const char* language;
    Rows rows;
  } cases[] = {
      {"the standard's name", 1, 1, 0, "chs", {{"10", "产量"}}},
      {"in English", 1, 1, 0, "en", {{"10", "Output"}}},
      {"the Chinese name where the translation is missing", 1, 1, 0, "cht", {{"10", "产量"}}},
      {"each item's own standard, without a name", 1, 1, 1, "chs", {{"-999", ""}}},
      {"a standard that does not exist, without a name", 2, 1, 0, "chs", {{"12", ""}}},
      {"nothing set for the purpose", 2, 1, 1, "chs", {}},
      {"nothing set for the department", 3, 1, 0, "chs", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(standardSet(c.dept, c.kind, c.purpose, c.language), c.rows) << c.what;
}

TEST_F(OtherExpenseTest, PropertiesWithoutAConnectionFail) {
  try {
    com::callByName(*component_, "GetOtherExpStandardSet", std::string("Language=en"), 1,
                    com::Variant(int16_t{1}), com::Variant(int16_t{0}));
    ADD_FAILURE() << "no connection string";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.source(), "Ashgrove.OthenExpense");
  }
}

}  // namespace
}  // namespace mls::siblings
