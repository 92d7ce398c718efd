#include <gtest/gtest.h>

#include "platform/ado/fake_provider.h"
#include "platform/ado/fields.h"
#include "platform/ado/recordset.h"

namespace mls::ado {
namespace {

using com::Variant;
using mls::testing::raisedBy;
using testing::column;
using testing::rowset;

Variant dec(const char* text) {
  return Variant(*com::Decimal::parse(text));
}

// Items: FItemID (Long), FName (String), FQty (Decimal), FDate (Date).
com::Ref<Recordset> items(int32_t lockType = kLockReadOnly) {
  auto rs = com::makeObject<Recordset>();
  rs->setLockType(lockType);
  std::vector<BatchItem> batch;
  batch.push_back(
      rowset({column("FItemID", DataType::Integer), column("FName", DataType::VarWChar),
              column("FQty", DataType::Numeric), column("FDate", DataType::DBTimeStamp)},
             {
                 {Variant(1), Variant("Bolt"), dec("10.5"), Variant::date(com::makeDate(2024, 1, 5))},
                 {Variant(2), Variant("O'Brien nut"), dec("2"), Variant::date(com::makeDate(2024, 2, 1))},
                 {Variant(3), Variant("bolt, long"), Variant::null(), Variant::null()},
                 {Variant(4), Variant("Washer"), dec("10.5"), Variant::date(com::makeDate(2023, 12, 31))},
             }));
  rs->load(std::move(batch), nullptr, "SELECT");
  return rs;
}

std::vector<int32_t> ids(Recordset& rs) {
  std::vector<int32_t> out;
  if (rs.recordCount() == 0) return out;
  for (rs.moveFirst(); !rs.eof(); rs.moveNext())
    out.push_back(rs.value("FItemID").toLong());
  return out;
}

TEST(RecordsetNavigationTest, WalksBothWaysAndStopsAtTheEnds) {
  auto rs = items();
  EXPECT_FALSE(rs->bof());
  EXPECT_EQ(rs->absolutePosition(), 1);
  rs->moveLast();
  EXPECT_EQ(rs->value(size_t{0}).toLong(), 4);
  rs->moveNext();
  EXPECT_TRUE(rs->eof());
  EXPECT_EQ(rs->absolutePosition(), Cursor::kPosEof);
  EXPECT_EQ(raisedBy([&] { rs->moveNext(); }).number(), com::err::kNoCurrentRecord);
  EXPECT_EQ(raisedBy([&] { rs->value("FName"); }).number(), com::err::kNoCurrentRecord);
  rs->move(-2);
  EXPECT_EQ(rs->value(size_t{0}).toLong(), 3);
  rs->move(-10);
  EXPECT_TRUE(rs->bof());
  EXPECT_EQ(raisedBy([&] { rs->movePrevious(); }).number(), com::err::kNoCurrentRecord);
  EXPECT_EQ(raisedBy([&] { rs->value(size_t{1}); }).number(), com::err::kNoCurrentRecord);
  rs->setAbsolutePosition(2);
  EXPECT_EQ(rs->value("FName").toString(), "O'Brien nut");
  EXPECT_EQ(raisedBy([&] { rs->setAbsolutePosition(5); }).number(), err::kInvalidArgument);
}

TEST(RecordsetNavigationTest, EmptyRecordsetIsAtBothEnds) {
  auto rs = com::makeObject<Recordset>();
  std::vector<BatchItem> batch;
  batch.push_back(rowset({column("A", DataType::Integer)}, {}));
  rs->load(std::move(batch), nullptr, "");
  EXPECT_TRUE(rs->bof());
  EXPECT_TRUE(rs->eof());
  EXPECT_EQ(rs->recordCount(), 0);
  EXPECT_EQ(raisedBy([&] { rs->moveFirst(); }).number(), com::err::kNoCurrentRecord);
  EXPECT_EQ(raisedBy([&] { rs->move(1); }).number(), com::err::kNoCurrentRecord);
  EXPECT_EQ(rs->fieldCount(), 1u);
}

TEST(RecordsetFieldsTest, ByIndexOrNameFirstDuplicateWins) {
  auto rs = com::makeObject<Recordset>();
  std::vector<BatchItem> batch;
  batch.push_back(
      rowset({column("F", DataType::Integer), column("f", DataType::Integer)}, {{Variant(1), Variant(2)}}));
  rs->load(std::move(batch), nullptr, "");
  EXPECT_EQ(rs->value("F").toLong(), 1);
  EXPECT_EQ(rs->value(size_t{1}).toLong(), 2);
  com::Ref<Fields> fields = rs->fields();
  EXPECT_EQ(fields->count(), 2u);
  EXPECT_EQ(fields->item(Variant("f"))->value().toLong(), 1);
  EXPECT_EQ(fields->item(Variant(1))->value().toLong(), 2);
  EXPECT_EQ(raisedBy([&] { fields->item(Variant("G")); }).number(), com::err::kItemNotFound);
  EXPECT_EQ(raisedBy([&] { fields->item(Variant(2)); }).number(), com::err::kItemNotFound);
  EXPECT_EQ(raisedBy([&] { fields->item(Variant(-1)); }).number(), com::err::kItemNotFound);
}

TEST(RecordsetFieldsTest, ClosedRecordsetRaises3704EvenThroughAFieldTakenBefore) {
  auto rs = items();
  com::Ref<Field> name = rs->fields()->item(Variant("FName"));
  rs->close();
  EXPECT_EQ(rs->state(), kStateClosed);
  for (auto fn : std::vector<std::function<void()>>{[&] { rs->eof(); }, [&] { rs->recordCount(); },
                                                    [&] { rs->moveNext(); }, [&] { rs->fields(); },
                                                    [&] { name->value(); }, [&] { rs->close(); }}) {
    com::ComError e = raisedBy(fn);
    EXPECT_EQ(e.number(), com::err::kObjectClosed);
    EXPECT_EQ(e.source(), kRecordsetClass);
  }
}

TEST(RecordsetFilterTest, ComparisonsOnEachKind) {
  auto rs = items();
  struct Case {
    const char* criteria;
    std::vector<int32_t> ids;
  };
  for (const Case& c : std::vector<Case>{
           {"FQty = 10.5", {1, 4}},
           {"FQty >= 2 AND FItemID <> 1", {2, 4}},
           {"FName = 'o''brien NUT'", {2}},
           {"FName LIKE 'bolt*'", {1, 3}},
           {"FName LIKE '%NUT'", {2}},
           {"FName LIKE '%o%'", {1, 2, 3}},
           {"FDate < #2024-01-01#", {4}},
           {"FDate >= '2024-01-05'", {1, 2}},
           {"FQty = NULL", {3}},
           {"FQty <> NULL", {1, 2, 4}},
           {"FQty < 100", {1, 2, 4}},  // Null never matches a comparison
           {"FItemID = 1 OR FItemID = 3 AND FName = 'x'", {1}},
           {"(FItemID = 1 OR FItemID = 3) AND FName LIKE 'b*'", {1, 3}},
           {"[FItemID]>2", {3, 4}},
           {"FItemID = '2'", {2}},
       }) {
    rs->setFilter(Variant(c.criteria));
    EXPECT_EQ(ids(*rs), c.ids) << c.criteria;
    EXPECT_EQ(rs->recordCount(), static_cast<int64_t>(c.ids.size())) << c.criteria;
  }
}

TEST(RecordsetFilterTest, ClearingAndPosition) {
  auto rs = items();
  rs->moveLast();
  rs->setFilter(Variant("FItemID > 1"));
  EXPECT_EQ(rs->absolutePosition(), 1);
  EXPECT_EQ(rs->value("FItemID").toLong(), 2);
  EXPECT_EQ(rs->filter().toString(), "FItemID > 1");
  rs->setFilter(Variant(int32_t{0}));
  EXPECT_EQ(rs->recordCount(), 4);
  EXPECT_EQ(rs->filter().kind(), com::VarKind::Long);
  rs->setFilter(Variant("FItemID = 99"));
  EXPECT_TRUE(rs->eof() && rs->bof());
  rs->setFilter(Variant(""));
  EXPECT_EQ(rs->recordCount(), 4);
}

TEST(RecordsetFilterTest, BadCriteriaRaiseAndKeepTheCurrentFilter) {
  auto rs = items();
  rs->setFilter(Variant("FItemID < 3"));
  for (const char* bad :
       {"FItemID", "FItemID = ", "FItemID = 'x", "FName = 'a' AND", "(FItemID = 1", "FQty > NULL",
        "FQty = 'abc'", "FDate = #not a date#", "FName LIKE 3", "FItemID ~ 3"}) {
    com::ComError e = raisedBy([&] { rs->setFilter(Variant(bad)); });
    EXPECT_EQ(e.number(), err::kInvalidArgument) << bad;
    EXPECT_EQ(e.source(), kRecordsetClass) << bad;
  }
  EXPECT_EQ(raisedBy([&] { rs->setFilter(Variant("FNope = 1")); }).number(), com::err::kItemNotFound);
  EXPECT_EQ(raisedBy([&] { rs->setFilter(Variant(int32_t{2})); }).number(), err::kInvalidArgument);
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{1, 2}));
}

TEST(RecordsetSortTest, KeysDirectionsNullsAndStability) {
  auto rs = items();
  rs->setSort("FQty DESC, FItemID DESC");
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{4, 1, 2, 3}));  // Null sorts lowest
  rs->setSort("FQty");
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{3, 2, 1, 4}));  // equal keys keep their order
  rs->setSort("[FName] asc");
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{1, 3, 2, 4}));  // text without case
  rs->setFilter(Variant("FQty <> NULL"));
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{1, 2, 4}));  // filter keeps the sort
  rs->setSort("");
  rs->setFilter(Variant(""));
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(raisedBy([&] { rs->setSort("FQty UP"); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { rs->setSort("FQty,"); }).number(), err::kInvalidArgument);
  EXPECT_EQ(raisedBy([&] { rs->setSort("FNope"); }).number(), com::err::kItemNotFound);
  EXPECT_EQ(rs->sort(), "");
}

TEST(RecordsetEditTest, LocalEditsNeedAnUpdatableLockTypeAndTakeTheFieldsKind) {
  auto readOnly = items();
  EXPECT_EQ(raisedBy([&] { readOnly->setValue(0, Variant(7)); }).number(), err::kNotUpdatable);

  auto rs = items(kLockBatchOptimistic);
  rs->setValue(2, Variant("12.25"));
  EXPECT_EQ(rs->value("FQty").kind(), com::VarKind::Decimal);
  EXPECT_EQ(rs->value("FQty").toString(), "12.25");
  rs->setValue(0, Variant::null());
  EXPECT_TRUE(rs->value(size_t{0}).isNull());
  com::ComError e = raisedBy([&] { rs->setValue(0, Variant("abc")); });
  EXPECT_EQ(e.number(), com::err::kTypeMismatch);
  rs->moveNext();
  rs->movePrevious();
  EXPECT_EQ(rs->value("FQty").toString(), "12.25");  // the edit stays with the row
  rs->setSort("FQty DESC");
  EXPECT_EQ(rs->value("FQty").toString(), "12.25");
  rs->moveLast();
  rs->moveNext();
  EXPECT_EQ(raisedBy([&] { rs->setValue(1, Variant("x")); }).number(), com::err::kNoCurrentRecord);
}

TEST(RecordsetEditTest, AddAndDeleteStayLocalAndKeepTheWalk) {
  auto readOnly = items();
  EXPECT_EQ(raisedBy([&] { readOnly->addNew(); }).number(), err::kNotUpdatable);
  EXPECT_EQ(raisedBy([&] { readOnly->deleteCurrent(); }).number(), err::kNotUpdatable);

  auto rs = items(kLockBatchOptimistic);
  rs->addNew();
  EXPECT_TRUE(rs->value("FName").isNull());
  rs->setValue(0, Variant(5));
  rs->setValue(2, Variant("1.5"));
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{1, 2, 3, 4, 5}));

  // Deleting while walking: the next MoveNext reaches the record after.
  std::vector<int32_t> seen;
  for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
    seen.push_back(rs->value("FItemID").toLong());
    if (seen.back() % 2 == 1) {
      rs->deleteCurrent();
      EXPECT_EQ(raisedBy([&] { rs->value(size_t{0}); }).number(), com::err::kNoCurrentRecord);
    }
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(rs->recordCount(), 2);
  // MovePrevious from a deleted record reaches the one before it.
  rs->moveLast();
  rs->deleteCurrent();
  rs->movePrevious();
  EXPECT_EQ(rs->value("FItemID").toLong(), 2);
  // Sort and filter never bring a deleted record back.
  rs->setSort("FItemID DESC");
  rs->setFilter(Variant("FItemID > 0"));
  EXPECT_EQ(ids(*rs), (std::vector<int32_t>{2}));
  rs->moveFirst();
  rs->deleteCurrent();
  EXPECT_TRUE(rs->eof());
  EXPECT_EQ(raisedBy([&] { rs->deleteCurrent(); }).number(), com::err::kNoCurrentRecord);
}

}  // namespace
}  // namespace mls::ado
