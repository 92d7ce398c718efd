// ConcludeInfo.GetCostObjGroupIDByNumber, GetObject and GetCostObject: the
// group lookup with any text as its number, the items of ERP classes 2 and 7
// as a recordset and as a list of dictionaries, and the frame of each.
#include <algorithm>

#include "inquiry_fixture.h"
#include "platform/ado/recordset.h"
#include "platform/com/object_context.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"

namespace mls::testing {
namespace {

using com::Vote;
using Rows = std::vector<std::vector<std::string>>;

class LookupsTest : public InquiryTest {
 protected:
  int32_t groupId(const com::Variant& number) { return call("GetCostObjGroupIDByNumber", {number}).toLong(); }

  com::Ref<ado::Recordset> objects() {
    com::Ref<com::Dispatch> d = call("GetObject").toObject();
    auto* rs = dynamic_cast<ado::Recordset*>(d.get());
    EXPECT_TRUE(rs) << "GetObject answered no recordset";
    return com::Ref<ado::Recordset>(rs);
  }
  com::Ref<halvern::List> costObjects() {
    com::Ref<com::Dispatch> d = call("GetCostObject").toObject();
    auto* list = dynamic_cast<halvern::List*>(d.get());
    EXPECT_TRUE(list) << "GetCostObject answered no list";
    return com::Ref<halvern::List>(list);
  }
  // Items of every class: 2 and 7 are the ones listed.
  void items() const {
    item({.id = 1, .number = "1.01", .name = "Bought part", .erpClass = 1});
    item({.id = 2, .number = "2.01", .name = "Self-made", .erpClass = 2});
    item({.id = 3, .number = "3.01", .name = "Virtual", .erpClass = 3});
    item({.id = 4, .number = "7.01", .name = "Subcontracted", .erpClass = 7});
    item({.id = 5, .number = "0.01", .name = "Unclassed", .erpClass = com::Variant::null()});
    item({.id = 6, .number = "2.02", .name = "O'Brien's gear", .erpClass = 2});
  }
};

const Rows kListed{
    {"2", "2.01", "Self-made"}, {"4", "7.01", "Subcontracted"}, {"6", "2.02", "O'Brien's gear"}};

Rows sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST_F(LookupsTest, AGroupIsFoundByItsNumberAsText) {
  group(10, "G01");
  group(11, "12");
  group(12, "");
  EXPECT_EQ(groupId("G01"), 10);
  EXPECT_EQ(groupId("G02"), 0);
  EXPECT_EQ(groupId(com::Variant(int32_t{12})), 11) << "a number is looked up as its text";
  EXPECT_EQ(groupId(com::Variant::null()), 12) << "Null joins as an empty number";
  EXPECT_EQ(call("GetCostObjGroupIDByNumber", {"G01"}).kind(), com::VarKind::Long);
}

TEST_F(LookupsTest, ANumberHoldingQuotesIsLookedUpAsItIs) {
  group(20, "A'B");
  group(21, "G01");
  EXPECT_EQ(groupId("A'B"), 20);
  EXPECT_EQ(groupId("'"), 0);
  EXPECT_EQ(groupId("x' OR FItemID = 21 OR 'a'='b"), 0);
  EXPECT_EQ(groupId("'; DELETE FROM cbCostObjGroup --"), 0);
  EXPECT_EQ(db_.run("SELECT COUNT(*) FROM cbCostObjGroup")[0][0].toLong(), 2);
}

TEST_F(LookupsTest, TwoGroupsWithOneNumberAnswerTheFirstRow) {
  group(31, "DUP");
  group(30, "DUP");
  const int32_t first = db_.run("SELECT FItemID FROM cbCostObjGroup WHERE FNumber = 'DUP'")[0][0].toLong();
  EXPECT_EQ(groupId("DUP"), first);
}

TEST_F(LookupsTest, TheGroupLookupNeitherVotesNorRenamesAnError) {
  group(10, "G01");
  {
    com::VoteRecorder votes;
    EXPECT_EQ(groupId("G01"), 10);
    EXPECT_TRUE(votes.votes().empty());
  }
  exec("DROP TABLE cbCostObjGroup");
  com::ExcepInfo engine = db_.engineError("SELECT FItemID from cbCostObjGroup");
  com::VoteRecorder votes;
  com::ExcepInfo e = failure("GetCostObjGroupIDByNumber", {"G01"});
  EXPECT_EQ(e.number, engine.number);
  EXPECT_EQ(e.source, engine.source);
  EXPECT_EQ(e.description, engine.description);
  EXPECT_TRUE(votes.votes().empty());
}

TEST_F(LookupsTest, GetObjectListsTheItemsOfClassesTwoAndSevenDetached) {
  items();
  com::Ref<ado::Recordset> rs = objects();
  ASSERT_TRUE(rs);
  EXPECT_FALSE(rs->activeConnection());
  ASSERT_EQ(rs->fieldCount(), 3u);
  EXPECT_EQ(rs->fieldInfo(0).name, "FItemID");
  EXPECT_EQ(rs->fieldInfo(1).name, "FNumber");
  EXPECT_EQ(rs->fieldInfo(2).name, "FName");
  Rows rows;
  for (; !rs->eof(); rs->moveNext())
    rows.push_back({rs->value(size_t{0}).toString(), rs->value(1).toString(), rs->value(2).toString()});
  EXPECT_EQ(sorted(rows), kListed);
}

TEST_F(LookupsTest, GetCostObjectGivesOneDictionaryPerItemKeyedByFieldName) {
  items();
  com::Ref<halvern::List> list = costObjects();
  ASSERT_TRUE(list);
  Rows rows;
  for (const com::Variant& v : *list) {
    com::Ref<com::Dispatch> d = v.toObject();
    auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
    ASSERT_TRUE(dict);
    EXPECT_EQ(dict->keys(), (std::vector<std::string>{"FItemID", "FNumber", "FName"}));
    EXPECT_EQ(dict->item("FItemID").kind(), com::VarKind::Long);
    rows.push_back(
        {dict->item("FItemID").toString(), dict->item("FNumber").toString(), dict->item("FName").toString()});
  }
  EXPECT_EQ(sorted(rows), kListed);
}

TEST_F(LookupsTest, NoItemOfTheTwoClassesGivesAnEmptyRecordsetAndAnEmptyList) {
  item({.id = 1, .number = "1.01", .name = "Bought part", .erpClass = 1});
  com::Ref<ado::Recordset> rs = objects();
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->recordCount(), 0);
  EXPECT_EQ(rs->fieldCount(), 3u);
  com::Ref<halvern::List> list = costObjects();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->count(), 0);
}

TEST_F(LookupsTest, TheListRunsGetObjectInAFrameOfItsOwn) {
  items();
  auto log = std::make_shared<Recording>();
  const std::string props = recordedProps(log);
  com::VoteRecorder votes;
  callWith(props, "GetCostObject", {});
  // Both vote at entry: the list, then GetObject on the one connection there is.
  EXPECT_EQ(votes.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete}));
  ASSERT_EQ(log->sessions.size(), 1u);
  ASSERT_EQ(log->sessions[0].size(), 2u);
  EXPECT_EQ(log->sessions[0][0], "SET TRANSACTION ISOLATION LEVEL READ UnCOMMITTED");
  EXPECT_NE(log->sessions[0][1].find("FErpClsID IN (2,7)"), std::string::npos);
}

TEST_F(LookupsTest, AnErrorOfGetObjectReachesTheCallerOfEitherUnchanged) {
  exec("DROP TABLE t_ICItem");
  com::ExcepInfo engine = db_.engineError("SELECT FItemID FROM t_icitem");
  ASSERT_NE(engine.number, 0);
  for (const char* member : {"GetObject", "GetCostObject"}) {
    com::VoteRecorder votes;
    com::ExcepInfo e = failure(member);
    EXPECT_EQ(e.number, engine.number) << member;
    EXPECT_EQ(e.source, engine.source) << member;
    EXPECT_EQ(e.description, engine.description) << member;
    EXPECT_FALSE(std::find(votes.votes().begin(), votes.votes().end(), Vote::Abort) != votes.votes().end());
  }
}

TEST_F(LookupsTest, ABadPropertiesStringFailsEveryLookupAlike) {
  // A key given twice: the parser's error, whichever frame parsed the text.
  const std::string twice = "Language=en;language=chs";
  for (const char* member :
       {"GetEnableEcnRight", "GetCostObjGroupIDByNumber", "GetObject", "GetCostObject"}) {
    std::vector<com::Variant> args;
    if (std::string(member) == "GetCostObjGroupIDByNumber") args.push_back("G01");
    try {
      callWith(twice, member, args);
      ADD_FAILURE() << member << " did not fail";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.info().number, com::err::kKeyInUse) << member;
      EXPECT_EQ(e.info().source, "Marlstone") << member;
    }
  }
}

}  // namespace
}  // namespace mls::testing
