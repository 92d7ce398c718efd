// The stages of a query's chain one by one, over rows a test source gives:
// the top-n heap against the full sort it stands in for, TOP WITH TIES over a
// sort, the filter's three-valued test, the hash chains' count of a hash's
// entries, and the pre-conditions the sanitizer build checks.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/ops/filter.h"
#include "platform/tsql/exec/ops/hash_chains.h"
#include "platform/tsql/exec/ops/sort.h"
#include "platform/tsql/exec/ops/top.h"
#include "platform/tsql/exec/ops/top_n.h"

namespace mls::tsql {
namespace {

// Gives its rows in slot 0, in order.
class VectorSource final : public RowSource {
 public:
  explicit VectorSource(std::vector<std::vector<Value>> rows) : rows_(std::move(rows)) {}

 private:
  void doOpen(const Value** slots, const EvalContext&) override {
    slots_ = slots;
    pos_ = 0;
  }
  bool doNext(const EvalContext&) override {
    if (pos_ >= rows_.size()) return false;
    slots_[0] = rows_[pos_++].data();
    return true;
  }

  std::vector<std::vector<Value>> rows_;
  const Value** slots_ = nullptr;
  size_t pos_ = 0;
};

Value I(int64_t v) {
  return Value::integer(v);
}

SortKey key(int column, bool descending) {
  return {makeColumn(0, 0, column, SqlType(TypeId::Int), true), descending};
}

// Opens `s` and reads column `column` of every row it gives.
std::vector<int64_t> drain(RowSource& s, int column) {
  const Value* slots[1] = {nullptr};
  EvalContext ctx{slots, nullptr, nullptr};
  s.open(slots, ctx);
  std::vector<int64_t> out;
  while (s.next(ctx))
    out.push_back(slots[0][column].isNull() ? -1 : slots[0][column].asInt());
  return out;
}

// Rows [a, b, id]: a in 0..9 or NULL, b in 0..2, id the order read; many ties.
std::vector<std::vector<Value>> randomRows(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<std::vector<Value>> rows;
  for (size_t i = 0; i < n; ++i) {
    int a = static_cast<int>(gen() % 11);
    rows.push_back({a == 10 ? Value() : I(a), I(gen() % 3), I(static_cast<int64_t>(i))});
  }
  return rows;
}

TEST(RowSources, TopNKeepsTheFirstRowsOfTheStableSort) {
  std::vector<SortKey> keys;
  keys.push_back(key(0, false));
  keys.push_back(key(1, true));
  for (size_t rows : {1u, 7u, 300u}) {
    for (size_t n : {1u, 2u, 5u, 64u, 299u, 300u, 1000u}) {
      const auto data = randomRows(rows, static_cast<unsigned>(rows * 31 + n));
      VectorSource a(data), b(data);
      SortSource sort(a, keys, 1);
      std::vector<int64_t> sorted = drain(sort, 2);
      sorted.resize(std::min(n, sorted.size()));
      TopNSource topN(b, keys, 1, n);
      EXPECT_EQ(drain(topN, 2), sorted) << rows << " rows, TOP " << n;
    }
  }
}

TEST(RowSources, SortPutsNullFirstAndKeepsTiesInTheOrderRead) {
  VectorSource in({{I(2), I(0)}, {Value(), I(1)}, {I(1), I(2)}, {I(2), I(3)}, {Value(), I(4)}});
  std::vector<SortKey> asc;
  asc.push_back(key(0, false));
  SortSource up(in, asc, 1);
  EXPECT_EQ(drain(up, 1), (std::vector<int64_t>{1, 4, 2, 0, 3}));
  std::vector<SortKey> desc;
  desc.push_back(key(0, true));
  SortSource down(in, desc, 1);
  EXPECT_EQ(drain(down, 1), (std::vector<int64_t>{0, 3, 2, 1, 4}));
}

// A key kept as 64-bit numbers turns into values when one does not fit (a
// decimal past 64 bits, another scale); text keys are values from the start;
// NULLs may come first or later.
TEST(RowSources, SortKeepsTheOrderWhateverFormItsKeysTake) {
  const Value wide = Value::decimal(Decimal128(static_cast<__int128>(1) << 70, 2));
  const Value minus = Value::decimal(Decimal128(-(static_cast<__int128>(1) << 70), 2));
  auto dec = [](int64_t m, int scale) { return Value::decimal(Decimal128(m, scale)); };
  auto at = [](int64_t ticks) { return Value::dateTime(DateTime(ticks)); };
  struct Case {
    const char* what;
    std::vector<Value> keys;  // in the order read
    bool descending;
    std::vector<int64_t> order;  // positions read, in sorted order
  };
  const Case cases[] = {
      {"integers, NULL later", {I(3), I(1), Value(), I(2), Value()}, false, {2, 4, 1, 3, 0}},
      {"integers descending, NULL last", {I(3), Value(), I(-5), I(3)}, true, {0, 3, 2, 1}},
      {"decimals of one scale", {dec(150, 2), dec(-1, 2), dec(99, 2)}, false, {1, 2, 0}},
      {"a wide decimal after narrow ones",
       {dec(5, 2), Value(), wide, dec(-7, 2), minus},
       false,
       {1, 4, 3, 0, 2}},
      {"a second scale", {dec(15, 1), dec(140, 2), Value(), dec(2, 0)}, false, {2, 1, 0, 3}},
      {"dates", {at(30), at(-2), Value(), at(30), at(1)}, true, {0, 3, 4, 1, 2}},
      {"text", {Value::string("b"), Value(), Value::string("A"), Value::string("a")}, false, {1, 2, 3, 0}},
      {"only NULLs", {Value(), Value()}, false, {0, 1}},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<Value>> rows;
    for (size_t i = 0; i < c.keys.size(); ++i)
      rows.push_back({c.keys[i], I(static_cast<int64_t>(i))});
    VectorSource in(rows);
    std::vector<SortKey> keys;
    keys.push_back({makeColumn(0, 0, 0, SqlType(TypeId::Int), true), c.descending});
    SortSource sort(in, keys, 1);
    EXPECT_EQ(drain(sort, 1), c.order) << c.what;
  }
}

TEST(RowSources, TopWithTiesGoesOnWhileTheKeysStayEqual) {
  // Keys 1 1 2 2 2 3, in that order.
  const std::vector<int64_t> keyOf = {1, 1, 2, 2, 2, 3};
  struct Case {
    int64_t limit;
    bool ties;
    size_t rows;
  };
  const Case cases[] = {{0, true, 0}, {1, true, 2}, {2, true, 2},  {3, true, 5}, {5, true, 5},
                        {6, true, 6}, {9, true, 6}, {3, false, 3}, {0, false, 0}};
  for (const Case& c : cases) {
    std::vector<std::vector<Value>> rows;
    for (int64_t k : keyOf)
      rows.push_back({I(k)});
    VectorSource in(rows);
    std::vector<SortKey> keys;
    keys.push_back(key(0, false));
    SortSource sort(in, keys, 1);
    TopSource top(sort, c.limit, c.ties ? &sort : nullptr);
    EXPECT_EQ(drain(top, 0).size(), c.rows) << "TOP " << c.limit << (c.ties ? " WITH TIES" : "");
  }
}

TEST(RowSources, TopAsksItsInputForNoRowPastItsCount) {
  struct Counting final : RowSource {
    int asked = 0;
    Value v = I(1);
    const Value** slots = nullptr;
    void doOpen(const Value** s, const EvalContext&) override { slots = s; }
    bool doNext(const EvalContext&) override {
      ++asked;
      slots[0] = &v;
      return true;
    }
  } endless;
  TopSource top(endless, 3, nullptr);
  EXPECT_EQ(drain(top, 0).size(), 3u);
  EXPECT_EQ(endless.asked, 3);
}

TEST(RowSources, FilterPassesOnlyTrueRows) {
  // a > 1 over 2, NULL, 1, 3: UNKNOWN and FALSE both drop the row.
  VectorSource in({{I(2)}, {Value()}, {I(1)}, {I(3)}});
  BoundExprPtr cond = makeComparison(CompareOp::Gt, makeColumn(0, 0, 0, SqlType(TypeId::Int), true),
                                     makeConstant(I(1), SqlType(TypeId::Int)));
  FilterSource filter(in, *cond);
  EXPECT_EQ(drain(filter, 0), (std::vector<int64_t>{2, 3}));
}

TEST(RowSources, HashChainsCountEachHashsEntriesAgainAfterARebuild) {
  // One hash holding most entries (the key most rows share), a few hundred
  // others sharing buckets with it and each other, entries left out by
  // `use`, and hashes never filed.
  std::mt19937 gen(7);
  HashChains chains;
  for (const size_t heavy : {size_t{1501}, size_t{40}}) {
    std::vector<size_t> hashes;
    std::vector<uint8_t> use;
    for (size_t i = 0; i < heavy + 2000; ++i) {
      hashes.push_back(i % 3 == 0 && i / 3 < heavy ? 424242 : gen() % 300);
      use.push_back(i % 17 == 0 ? 0 : 1);
    }
    chains.build(hashes, use);
    for (int pass = 0; pass < 2; ++pass) {
      for (size_t h : {size_t{424242}, size_t{0}, size_t{299}, size_t{1000}, size_t{77}}) {
        uint32_t expected = 0;
        for (size_t i = 0; i < hashes.size(); ++i)
          expected += hashes[i] == h && use[i] ? 1 : 0;
        EXPECT_EQ(chains.count(h, hashes), expected) << "hash " << h << ", pass " << pass;
      }
    }
  }
}

#ifndef NDEBUG
TEST(RowSourcesDeathTest, GivesNoRowBeforeItIsOpened) {
  VectorSource in({{I(1)}});
  const Value* slots[1] = {nullptr};
  EvalContext ctx{slots, nullptr, nullptr};
  EXPECT_DEATH(in.next(ctx), "only once opened");
}
#endif

}  // namespace
}  // namespace mls::tsql
