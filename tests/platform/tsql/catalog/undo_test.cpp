// Statement atomicity and transactions through the undo log, and identity.
#include "catalog_fixture.h"

namespace mls::tsql::testing {
namespace {

using UndoTest = CatalogTest;

TEST_F(UndoTest, FailingMultiRowInsertLeavesNothing) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY, v INT NOT NULL)");
  auto t = table("t");
  insertRows(*t, {{I(10), I(0)}});
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{I(1), I(1)}, {I(2), I(2)}, {I(10), I(3)}}); }), 2627);
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{I(3), I(1)}, {I(4), N()}}); }), 515);
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{10}));
  insertRows(*t, {{I(1), I(1)}, {I(2), I(2)}});  // their keys were released
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2, 10}));
}

TEST_F(UndoTest, RollbackRestoresDeletedRowsInTheirPlaces) {
  ddl("CREATE TABLE h (v INT) CREATE TABLE c (v INT PRIMARY KEY)");
  for (const char* name : {"h", "c"}) {
    auto t = table(name);
    insertRows(*t, {{I(1)}, {I(2)}, {I(3)}, {I(4)}});
    UndoLog::Mark m = undo.mark();
    std::vector<RowId> ids(t->scanOrder().begin(), t->scanOrder().end());
    t->erase(ids[2], undo);
    t->erase(ids[1], undo);
    t->insert({I(5)}, undo);
    EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 4, 5}));
    undo.rollbackTo(m);
    EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2, 3, 4})) << name;
    EXPECT_EQ(t->rowCount(), 4u);
  }
}

TEST_F(UndoTest, TransactionRollsBackStatementsNewestFirst) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY, v INT)");
  auto t = table("t");
  insertRows(*t, {{I(1), I(1)}, {I(2), I(2)}, {I(3), I(3)}});
  // A transaction: statements mark, the whole log rolls back at the end.
  std::vector<RowId> ids(t->scanOrder().begin(), t->scanOrder().end());
  t->erase(ids[0], undo);
  std::vector<RowId> second{ids[1]};
  t->update(second, {{I(1), I(20)}}, undo);  // takes the deleted row's key
  t->insert({I(7), I(7)}, undo);
  UndoLog::Mark stmt = undo.mark();
  t->insert({I(8), I(8)}, undo);
  EXPECT_EQ(errorOf([&] { t->insert({I(7), I(0)}, undo); }), 2627);
  undo.rollbackTo(stmt);  // the failing statement only
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 3, 7}));
  undo.rollback();
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(column(*t, 1), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{I(1), I(0)}}); }), 2627);
  insertRows(*t, {{I(7), I(0)}});
}

TEST_F(UndoTest, IdentityFollowsSeedAndStepAndTruncateResetsIt) {
  ddl("CREATE TABLE t (id INT IDENTITY(100, 10), v INT)");
  auto t = table("t");
  auto insertNext = [&](int64_t v) {
    Row r{t->implicitValue(0, literalDefault), I(v)};
    insertRows(*t, {r});
    return r[0].asInt();
  };
  EXPECT_EQ(t->identityCurrent(), 100);
  EXPECT_EQ(insertNext(1), 100);
  EXPECT_EQ(insertNext(2), 110);
  // A failing insert still consumes its value, as the server does.
  EXPECT_EQ(t->implicitValue(0, literalDefault).asInt(), 120);
  EXPECT_EQ(insertNext(3), 130);
  ddl("TRUNCATE TABLE t");
  EXPECT_EQ(t->rowCount(), 0u);
  EXPECT_EQ(insertNext(4), 100);
  t->reseedIdentity(500);
  EXPECT_EQ(insertNext(5), 510);
}

TEST_F(UndoTest, ReseedOfAFreshTableGivesTheValueItselfAndIdentityInsertRaisesCurrent) {
  ddl("CREATE TABLE t (id BIGINT IDENTITY, v INT)");
  auto t = table("t");
  t->reseedIdentity(50);
  EXPECT_EQ(t->nextIdentity(), 50);
  t->setIdentityInsert(true);
  insertRows(*t, {{I(80), I(0)}, {I(60), I(0)}});
  t->setIdentityInsert(false);
  EXPECT_EQ(t->nextIdentity(), 81);
}

TEST_F(UndoTest, IdentityOverflowIsArithmeticOverflow) {
  ddl("CREATE TABLE t (id TINYINT IDENTITY(254, 1))");
  auto t = table("t");
  EXPECT_EQ(t->nextIdentity(), 254);
  EXPECT_EQ(t->nextIdentity(), 255);
  EXPECT_EQ(messageOf([&] { t->nextIdentity(); }),
            "Arithmetic overflow error converting IDENTITY to data type tinyint.");
}

TEST_F(UndoTest, TruncateRollsBackWithRowsAndIdentity) {
  ddl("CREATE TABLE t (id INT IDENTITY, k INT UNIQUE)");
  auto t = table("t");
  for (int i = 0; i < 3; ++i)
    insertRows(*t, {{t->implicitValue(0, literalDefault), I(i)}});
  t->truncate(undo);
  t->insert({t->implicitValue(0, literalDefault), I(0)}, undo);
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1}));
  undo.rollback();
  EXPECT_EQ(column(*t, 0), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(t->nextIdentity(), 4);
  EXPECT_EQ(errorOf([&] { insertRows(*t, {{I(9), I(2)}}); }), 2627);
}

TEST_F(UndoTest, DroppedAndCreatedTablesComeBackOrGo) {
  ddl("CREATE TABLE a (x INT)");
  auto a = table("a");
  insertRows(*a, {{I(1)}});
  ast::ObjectName an{{"a"}, {}};
  cat.dropTable(an, undo);
  EXPECT_EQ(cat.findTable(an), nullptr);
  auto owner = std::make_shared<std::vector<ast::StmtPtr>>(parseBatch("CREATE TABLE b (y INT)"));
  cat.createTable((*owner)[0]->as<ast::CreateTableStmt>(), owner, undo);
  undo.rollback();
  ASSERT_EQ(cat.findTable(an), a);
  EXPECT_EQ(a->rowCount(), 1u);
  EXPECT_EQ(cat.findTable(ast::ObjectName{{"b"}, {}}), nullptr);
}

TEST_F(UndoTest, OpenTransactionKeepsATableAnotherSessionDropped) {
  ddl("CREATE TABLE t (k INT PRIMARY KEY)");
  std::weak_ptr<Table> weak = table("t");
  UndoLog otherSession;
  table("t")->insert({I(1)}, otherSession);  // uncommitted
  ddl("DROP TABLE t");
  EXPECT_FALSE(weak.expired());
  EXPECT_EQ(weak.lock()->rowCount(), 1u);
  otherSession.rollback();  // undoes the insert on the still valid table, then lets go of it
  EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace mls::tsql::testing
