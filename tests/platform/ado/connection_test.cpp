#include <gtest/gtest.h>

#include "platform/ado/command.h"
#include "platform/ado/fake_provider.h"
#include "platform/ado/fields.h"
#include "platform/ado/recordset.h"

namespace mls::ado {
namespace {

using com::Variant;
using mls::testing::raisedBy;
using testing::column;
using testing::rowCount;
using testing::rowset;

constexpr const char* kFake = "Provider=test.fake;Data Source=db";

class ConnectionTest : public ::testing::Test, public testing::FakeProviderTest {
 protected:
  com::Ref<Connection> openConnection() {
    auto cn = com::makeObject<Connection>();
    cn->open(kFake);
    return cn;
  }
  BatchItem qty(std::vector<int32_t> values) {
    std::vector<std::vector<Variant>> rows;
    for (int32_t v : values)
      rows.push_back({Variant(v)});
    return rowset({column("FQty", DataType::Integer)}, std::move(rows));
  }
};

TEST_F(ConnectionTest, FailedOpensLeaveNothingOpen) {
  struct Case {
    const char* text;
    const char* source;
  };
  for (const Case& c :
       std::vector<Case>{{"Data Source=db", kConnectionClass},
                         {"Provider=Nobody.Here;Data Source=db", kConnectionClass},
                         {"Provider=Test.Fake;Data Source", kConnectionClass},
                         {"Provider=Test.Fake;Data Source=missing", testing::FakeProvider::kName}}) {
    auto cn = com::makeObject<Connection>();
    com::ComError e = raisedBy([&] { cn->open(c.text); });
    EXPECT_EQ(e.number(), -2147467259) << c.text;
    EXPECT_EQ(e.source(), c.source) << c.text;
    EXPECT_FALSE(e.description().empty());
    EXPECT_EQ(cn->state(), kStateClosed);
    EXPECT_EQ(state->openSessions, 0);
    EXPECT_EQ(raisedBy([&] { cn->execute("SELECT 1"); }).number(), com::err::kObjectClosed);
  }
  auto cn = com::makeObject<Connection>();
  EXPECT_NE(raisedBy([&] { cn->open("Provider=Nobody.Here"); }).description().find("Nobody.Here"),
            std::string::npos);
}

TEST_F(ConnectionTest, OpenCloseAndReleaseEndTheSession) {
  auto cn = com::makeObject<Connection>();
  cn->setConnectionString(kFake);
  cn->open({}, "sa", "secret");
  EXPECT_EQ(cn->state(), kStateOpen);
  EXPECT_EQ(cn->providerName(), "Test.Fake");
  EXPECT_EQ(state->lastProps.get("user id"), "sa");
  EXPECT_EQ(state->lastProps.get("PASSWORD"), "secret");
  EXPECT_EQ(raisedBy([&] { cn->open(kFake); }).number(), err::kObjectOpen);
  EXPECT_EQ(raisedBy([&] { cn->setConnectionString("x=1"); }).number(), err::kObjectOpen);
  EXPECT_EQ(state->openSessions, 1);
  cn->close();
  EXPECT_EQ(state->openSessions, 0);
  EXPECT_EQ(raisedBy([&] { cn->close(); }).number(), com::err::kObjectClosed);
  cn->open();
  EXPECT_EQ(state->openSessions, 1);
  cn = nullptr;  // releasing an open connection closes it
  EXPECT_EQ(state->openSessions, 0);
}

TEST_F(ConnectionTest, ExecuteAnswersTheFirstRowsetThenTheNextOnes) {
  auto cn = openConnection();
  state->next.push_back(rowCount(3));
  state->next.push_back(rowCount(2));
  state->next.push_back(qty({7, 8}));
  state->next.push_back(rowCount(1));
  state->next.push_back(qty({9}));
  int64_t affected = 0;
  com::Ref<Recordset> rs = cn->execute("batch", &affected);
  EXPECT_EQ(affected, 5);
  EXPECT_EQ(rs->state(), kStateOpen);
  EXPECT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(rs->value("FQty").toLong(), 7);
  EXPECT_EQ(rs->activeConnection(), cn);
  com::Ref<Recordset> second = rs->nextRecordset(&affected);
  ASSERT_TRUE(second);
  EXPECT_EQ(affected, 1);
  EXPECT_EQ(second->value("FQty").toLong(), 9);
  EXPECT_EQ(rs->value("FQty").toLong(), 7);  // the first stays readable
  EXPECT_FALSE(second->nextRecordset(&affected));
  EXPECT_EQ(affected, -1);
}

TEST_F(ConnectionTest, ExecuteNoRecordsGivesAClosedRecordset) {
  auto cn = openConnection();
  int64_t affected = 0;
  state->next.push_back(qty({1}));
  com::Ref<Recordset> rs = cn->execute("SELECT", &affected, 1 | 128);  // adExecuteNoRecords
  EXPECT_EQ(rs->state(), kStateClosed);
  EXPECT_EQ(affected, -1);
  EXPECT_EQ(raisedBy([&] { cn->execute("x", nullptr, 4); }).number(), err::kInvalidArgument);
}

TEST_F(ConnectionTest, RecordsetOpenChecksItsArguments) {
  auto cn = openConnection();
  Variant conn{com::Ref<com::Dispatch>(cn)};
  auto rs = com::makeObject<Recordset>();
  EXPECT_EQ(raisedBy([&] { rs->open(Variant("SELECT")); }).number(), err::kNoConnection);
  EXPECT_EQ(raisedBy([&] { rs->open(Variant("SELECT"), conn, 4); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { rs->open(Variant("SELECT"), conn, 3, 5); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { rs->open(Variant(), conn); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { rs->open(Variant("SELECT"), Variant(com::Ref<com::Dispatch>(rs))); }).number(),
            err::kInvalidArgument);
  EXPECT_TRUE(state->texts.empty());

  // A connection string: the recordset opens a connection of its own.
  state->next.push_back(qty({1}));
  rs->open(Variant("SELECT"), Variant(kFake));
  EXPECT_EQ(state->openSessions, 2);
  EXPECT_EQ(raisedBy([&] { rs->open(Variant("SELECT"), conn); }).number(), err::kObjectOpen);
  EXPECT_EQ(raisedBy([&] { rs->setLockType(4); }).number(), err::kObjectOpen);
  rs = nullptr;
  EXPECT_EQ(state->openSessions, 1);
}

TEST_F(ConnectionTest, CommandBindsParametersInOrderAsValues) {
  auto cn = openConnection();
  auto cmd = com::makeObject<Command>();
  EXPECT_EQ(raisedBy([&] { cmd->execute(); }).number(), err::kNoConnection);
  cmd->setActiveConnection(cn);
  EXPECT_EQ(raisedBy([&] { cmd->execute(); }).number(), err::kInvalidArgument);  // no text
  cmd->setCommandType(kCmdText);
  cmd->setCommandText("SELECT * FROM t WHERE FName = ? AND FQty > ?");
  cmd->parameters()->append(cmd->createParameter("name", 202, kParamInput, 50, Variant("O'Brien")));
  cmd->parameters()->append(
      cmd->createParameter("qty", 131, kParamInput, 0, Variant(*com::Decimal::parse("1.5"))));
  state->next.push_back(qty({1}));
  com::Ref<Recordset> rs = cmd->execute();
  ASSERT_EQ(state->texts.size(), 1u);
  EXPECT_EQ(state->texts[0], "SELECT * FROM t WHERE FName = ? AND FQty > ?");
  const std::vector<ParameterValue>& p = state->params[0];
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].type, DataType::VarWChar);
  EXPECT_EQ(p[0].size, 50);
  EXPECT_EQ(p[0].value.toString(), "O'Brien");
  EXPECT_EQ(p[1].type, DataType::Numeric);
  EXPECT_EQ(p[1].value.toString(), "1.5");

  cmd->execute(nullptr, Variant(com::SafeArray::vector({Variant("Smith"), Variant(3)})));
  EXPECT_EQ(state->params[1][0].value.toString(), "Smith");
  EXPECT_EQ(state->params[1][1].type, DataType::Numeric);
  EXPECT_EQ(raisedBy([&] { cmd->execute(nullptr, Variant(com::SafeArray::vector({Variant(1)}))); }).number(),
            err::kInvalidArgument);
  EXPECT_EQ(cmd->parameters()->item(Variant("QTY"))->data().name, "qty");
  EXPECT_EQ(raisedBy([&] { cmd->parameters()->item(Variant(2)); }).number(), com::err::kItemNotFound);
}

TEST_F(ConnectionTest, CommandRejectsWhatItCannotBind) {
  auto cmd = com::makeObject<Command>();
  EXPECT_EQ(raisedBy([&] { cmd->createParameter("p", 999); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { cmd->createParameter("p", 3, 2); }).number(), err::kInvalidArgument);  // output
  EXPECT_EQ(raisedBy([&] { cmd->createParameter("p", 200, 1, -1); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { cmd->setCommandType(4); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { cmd->parameters()->append(nullptr); }).number(), err::kInvalidArgument);
}

// Clients reach everything by name through the dispatch interface.
TEST_F(ConnectionTest, DispatchClientsReadFieldsByName) {
  auto cn = com::makeObject<Connection>();
  com::callByName(*cn, "Open", kFake);
  com::letProperty(*cn, "CursorLocation", 3);
  EXPECT_EQ(com::getProperty(*cn, "State").toLong(), 1);
  state->next.push_back(rowCount(2));
  state->next.push_back(qty({11, 12}));
  Variant affected;
  Variant rsVar = com::callByName(*cn, "Execute", "SELECT", Variant::byRef(&affected));
  EXPECT_EQ(affected.toLong(), 2);
  com::Ref<com::Dispatch> rs = rsVar.toObject();
  EXPECT_EQ(com::getProperty(*com::getProperty(*rs, "Fields", "FQty").toObject(), "Value").toLong(), 11);
  com::Ref<com::Dispatch> fields = com::getProperty(*rs, "Fields").toObject();
  EXPECT_EQ(com::getProperty(*fields, "Count").toLong(), 1);
  com::Ref<com::Dispatch> field = com::getProperty(*fields, "Item", 0).toObject();
  EXPECT_EQ(com::getProperty(*field, "Name").toString(), "FQty");
  EXPECT_EQ(com::getProperty(*field, "Type").toLong(), 3);
  com::callByName(*rs, "MoveNext");
  EXPECT_EQ(com::getProperty(*field, "Value").toLong(), 12);
  com::callByName(*rs, "MoveNext");
  EXPECT_TRUE(com::getProperty(*rs, "EOF").toBool());

  com::ComError e = raisedBy([&] { com::getProperty(*field, "Value"); });
  EXPECT_EQ(e.number(), com::err::kNoCurrentRecord);
  e = raisedBy([&] { com::getProperty(*rs, "Fields", "Nope"); });
  EXPECT_EQ(e.number(), com::err::kItemNotFound);

  com::setProperty(*rs, "ActiveConnection", Variant::nothing());
  EXPECT_TRUE(com::getProperty(*rs, "ActiveConnection").toObject() == nullptr);
  com::callByName(*cn, "Close");
  EXPECT_EQ(com::getProperty(*rs, "RecordCount").toLong(), 2);
}

TEST_F(ConnectionTest, DispatchCommandWithParameters) {
  auto cn = openConnection();
  auto cmd = com::makeObject<Command>();
  com::setProperty(*cmd, "ActiveConnection", com::Ref<com::Dispatch>(cn));
  com::letProperty(*cmd, "CommandText", "SELECT ?");
  com::letProperty(*cmd, "CommandType", 1);
  Variant p =
      com::callByName(*cmd, "CreateParameter", "d", 135, 1, 0, Variant::date(com::makeDate(2024, 3, 1)));
  com::callByName(*com::getProperty(*cmd, "Parameters").toObject(), "Append", p);
  state->next.push_back(qty({1}));
  Variant rs = com::callByName(*cmd, "Execute");
  EXPECT_EQ(com::getProperty(*rs.toObject(), "RecordCount").toLong(), 1);
  ASSERT_EQ(state->params.size(), 1u);
  EXPECT_EQ(state->params[0][0].type, DataType::DBTimeStamp);
  EXPECT_EQ(state->params[0][0].value.toDate(), com::makeDate(2024, 3, 1));
}

}  // namespace
}  // namespace mls::ado
