// The data source and the common services on embedded databases.
#include <gtest/gtest.h>

#include "frame/class_data_env.h"
#include "frame/drop_table.h"
#include "frame/records.h"
#include "frame/system_profile.h"
#include "platform/com/error.h"
#include "support/com_errors.h"
#include "support/test_database.h"

namespace mls::testing {
namespace {

using com::Variant;

class CommonServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { env_.init(db_.props()); }

  frame::CDataSource& ds() { return env_.dataSource(); }

  TestDatabase db_;
  frame::ClassDataEnv env_;
};

TEST_F(CommonServicesTest, EachConnectionIsNewAndItsTempTablesItsOwn) {
  com::Ref<ado::Connection> a = ds().connection();
  com::Ref<ado::Connection> b = ds().unCommittedConnection();
  EXPECT_EQ(a->cursorLocation(), ado::kUseClient);
  EXPECT_EQ(a->commandTimeout(), 0);
  a->execute("CREATE TABLE #mine (x INT) INSERT INTO #mine VALUES (1)");
  EXPECT_EQ(a->execute("SELECT COUNT(*) FROM #mine")->value(size_t{0}).toLong(), 1);
  EXPECT_THROW(b->execute("SELECT COUNT(*) FROM #mine"), com::ComError);
  a->close();
  b->close();
}

TEST_F(CommonServicesTest, OpenFailureRaisesAndAbsentConnectStringIs5) {
  frame::ClassDataEnv bad;
  bad.init("ConnectString={Provider=Nope}");
  EXPECT_THROW(bad.dataSource().connection(), com::ComError);
  bad.init("Language=en");
  EXPECT_EQ(errorOf([&] { bad.dataSource().connection(); }), com::err::kInvalidCall);
}

TEST_F(CommonServicesTest, SystemProfileValueDefaultOrEmpty) {
  db_.setProfile("CB", "MaterielWIPCheckType", "2");
  db_.run("INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES ('CB', 'Nothing', NULL)");
  EXPECT_EQ(frame::getSystemProfile(ds(), "MaterielWIPCheckType", "CB", Variant(int32_t{0})).toString(), "2");
  EXPECT_EQ(frame::getSystemProfile(ds(), "MaterielWIPCheckType", "GL", Variant(int32_t{0})).toLong(), 0);
  Variant absent = frame::getSystemProfile(ds(), "NoSuchKey", "CB");
  EXPECT_EQ(absent.kind(), com::VarKind::String);
  EXPECT_EQ(absent.toString(), "");
  EXPECT_TRUE(frame::getSystemProfile(ds(), "Nothing", "CB", Variant(int32_t{0})).isNull());
}

TEST_F(CommonServicesTest, SystemProfileFailureReachesTheCaller) {
  db_.run("DROP TABLE t_SystemProfile");
  EXPECT_THROW(frame::getSystemProfile(ds(), "PeriodCount", "GL"), com::ComError);
}

TEST_F(CommonServicesTest, RecordsBecomeDictionariesInFieldOrder) {
  com::Ref<ado::Connection> c = ds().connection();
  com::Ref<ado::Recordset> rs = c->execute("SELECT 1 AS FID, 'a' AS FName UNION ALL SELECT 2, NULL");
  com::Ref<halvern::Dictionary> first = frame::recordToDict(*rs);
  EXPECT_EQ(first->keys(), (std::vector<std::string>{"FID", "FName"}));
  EXPECT_EQ(first->item("FName").toString(), "a");
  EXPECT_EQ(rs->absolutePosition(), 1);  // the record does not move

  com::Ref<halvern::List> list = frame::recordsetToList(*rs);
  ASSERT_EQ(list->count(), 2);
  EXPECT_TRUE(rs->eof());
  auto* second = static_cast<halvern::Dictionary*>(list->item(2).toObject().get());
  EXPECT_EQ(second->item("FID").toLong(), 2);
  EXPECT_TRUE(second->item("FName").isNull());

  com::Ref<ado::Recordset> none = c->execute("SELECT 1 AS FID WHERE 1 = 0");
  EXPECT_EQ(frame::recordsetToList(*none)->count(), 0);
  c->close();
}

TEST_F(CommonServicesTest, DropTempTableIgnoresMissingTablesAndClearsTheError) {
  com::Ref<ado::Connection> c = ds().connection();
  c->execute("CREATE TABLE #gone (x INT)");
  frame::dropTempTable(*c, "#gone");
  EXPECT_THROW(c->execute("SELECT * FROM #gone"), com::ComError);
  com::currentError() = {5, "x", "pending", "", 0};
  frame::dropTempTable(*c, "#gone");
  EXPECT_EQ(com::currentError().number, 0);
  c->close();
}

}  // namespace
}  // namespace mls::testing
