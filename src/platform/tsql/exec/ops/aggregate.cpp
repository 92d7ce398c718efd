#include "platform/tsql/exec/ops/aggregate.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <iterator>
#include <numeric>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/ops/row_set.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// The running state of one aggregate in one group: the values counted, and
// the running total of SUM and AVG (an integer, float or decimal value) or
// the extreme of MIN and MAX.
struct Accumulator {
  int64_t count = 0;
  Value value;
  // A SUM or AVG whose total overflowed while the statement's arithmetic
  // errors give NULL (ANSI_WARNINGS and ARITHABORT OFF): its result is NULL.
  bool overflowed = false;
  std::unique_ptr<RowSet> distinct;  // DISTINCT: the values seen
};

int64_t intSum(const Value& v) {
  return v.kind() == Value::Kind::Int ? v.asInt() : 0;
}

double floatSum(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Float:
      return v.asFloat();
    case Value::Kind::Int:
      return static_cast<double>(v.asInt());
    case Value::Kind::Decimal:
      return v.asDecimal().toDouble();
    default:
      return 0;
  }
}

Decimal128 decimalSum(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Decimal:
      return v.asDecimal();
    case Value::Kind::Int:
      return Decimal128::fromInt(v.asInt());
    default:
      return Decimal128();
  }
}

// The groups met so far at one rollup level: an open-addressed table of 32
// bits of each group's key hash and its number, at most 70% full.
class GroupTable {
 public:
  // The group whose key `same` accepts among those filed under `hash`, or
  // the slot where a new group goes (found false).
  template <class Same>
  std::pair<size_t, bool> find(size_t hash, const Same& same) {
    if ((used_ + 1) * 10 > slots_.size() * 7) grow();
    const uint32_t tag = tagOf(hash);
    for (size_t i = home(tag);; i = (i + 1) & (slots_.size() - 1)) {
      const uint64_t s = slots_[i];
      if (s == 0) return {i, false};
      if (static_cast<uint32_t>(s >> 32) == tag && same(static_cast<size_t>(s & 0xffffffffU) - 1))
        return {static_cast<size_t>(s & 0xffffffffU) - 1, true};
    }
  }
  // Files group `g` under `hash` in slot `i` that find() answered.
  void add(size_t i, size_t hash, size_t g) {
    if (g >= 0xffffffffU) throwSqlError(701);
    slots_[i] = (uint64_t{tagOf(hash)} << 32) | (g + 1);
    ++used_;
  }

 private:
  static uint32_t tagOf(size_t hash) { return static_cast<uint32_t>(hash ^ (hash >> 32)); }
  size_t home(uint32_t tag) const {
    return static_cast<size_t>((uint64_t{tag} * 0x9e3779b97f4a7c15ULL) >> shift_);
  }
  void grow() {
    std::vector<uint64_t> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, 0);
    shift_ = 64 - std::bit_width(slots_.size() - 1);
    for (uint64_t s : old) {
      if (s == 0) continue;
      size_t i = home(static_cast<uint32_t>(s >> 32));
      while (slots_[i] != 0)
        i = (i + 1) & (slots_.size() - 1);
      slots_[i] = s;
    }
  }

  std::vector<uint64_t> slots_;  // 0: free; else the tag above the group number + 1
  size_t used_ = 0;
  int shift_ = 64;
};

bool isTrue(Bool3 b) {
  return b && *b;
}

// The message names the bare type, "numeric" for every decimal.
[[noreturn]] void overflow(const SqlType& t) {
  throwSqlError(8115, {"expression", std::string(t.baseName())});
}

class GroupingSource final : public RowSource {
 public:
  explicit GroupingSource(GroupingSpec spec) : spec_(std::move(spec)) {}

  void doOpen(const Value** slots, const EvalContext& ctx) override {
    slots_ = slots;
    keys_.clear();
    levels_.clear();
    states_.clear();
    rows_.clear();
    index_.assign(spec_.rollup ? spec_.keys.size() + 1 : 1, GroupTable());
    pos_ = 0;
    const size_t nk = spec_.keys.size();
    const size_t na = spec_.aggregates.size();
    const size_t levels = spec_.rollup ? nk + 1 : 1;
    if (nk == 0) addGroup({}, 0);
    if (spec_.input) spec_.input->open(slots, ctx);
    bool single = false;
    std::vector<Value> key(nk);
    while (spec_.input ? spec_.input->next(ctx) : !single) {
      single = true;
      if (spec_.where && !isTrue(spec_.where->test(ctx))) continue;
      for (size_t k = 0; k < nk; ++k)
        key[k] = spec_.keys[k]->eval(ctx);
      for (size_t level = 0; level < levels; ++level) {
        // Level L rolls up the last L keys.
        if (level > 0) key[nk - level] = Value();
        size_t g = nk == 0 ? 0 : findOrAdd(level, key);
        assert((g + 1) * na <= states_.size() && "each group holds one state per aggregate");
        for (size_t a = 0; a < na; ++a)
          accumulate(spec_.aggregates[a], states_[g * na + a], ctx);
      }
    }
    // Each group's row: [keys..., flags..., results...]; the reading state
    // goes once the rows are made.
    const size_t groups = levels_.size();
    width_ = nk + nk + na;
    rows_.reserve(groups * width_);
    for (size_t g = 0; g < groups; ++g) {
      for (size_t k = 0; k < nk; ++k)
        rows_.push_back(std::move(keys_[g * nk + k]));
      for (size_t k = 0; k < nk; ++k)
        rows_.push_back(Value::integer(k + levels_[g] >= nk ? 1 : 0));
      for (size_t a = 0; a < na; ++a)
        rows_.push_back(
            nullOnArithmeticError(ctx, [&] { return result(spec_.aggregates[a], states_[g * na + a]); }));
    }
    std::vector<Value>().swap(keys_);
    std::vector<Accumulator>().swap(states_);
    std::vector<GroupTable>().swap(index_);
    groups_ = groups;
    if (spec_.rollup && nk > 0) sortRollup(nk);
  }

  bool doNext(const EvalContext&) override {
    if (pos_ >= groups_) return false;
    slots_[spec_.groupSlot] = rows_.data() + pos_++ * width_;
    return true;
  }

 private:
  size_t addGroup(const std::vector<Value>& key, size_t level) {
    keys_.insert(keys_.end(), key.begin(), key.end());
    assert(level <= UINT8_MAX && "a rollup level fits a byte");
    levels_.push_back(static_cast<uint8_t>(level));
    states_.resize(levels_.size() * spec_.aggregates.size());
    return levels_.size() - 1;
  }

  // The group of `key` at rollup `level`.
  size_t findOrAdd(size_t level, const std::vector<Value>& key) {
    const size_t h = hashRow(key);
    auto [at, found] = index_[level].find(h, [&](size_t g) { return sameKey(g, key); });
    if (found) return at;
    const size_t g = addGroup(key, level);
    index_[level].add(at, h, g);
    return g;
  }

  bool sameKey(size_t g, const std::vector<Value>& key) const {
    const Value* row = &keys_[g * key.size()];
    for (size_t i = 0; i < key.size(); ++i) {
      if (row[i].isNull() != key[i].isNull()) return false;
      if (!row[i].isNull() && compareValues(row[i], key[i]) != 0) return false;
    }
    return true;
  }

  // Orders ROLLUP groups by their keys (NULL first), a rolled-up key after
  // every value of it.
  void sortRollup(size_t nk) {
    std::vector<uint32_t> order(groups_);
    std::iota(order.begin(), order.end(), uint32_t{0});
    std::stable_sort(order.begin(), order.end(), [this, nk](uint32_t ga, uint32_t gb) {
      const Value* a = rows_.data() + ga * width_;
      const Value* b = rows_.data() + gb * width_;
      for (size_t k = 0; k < nk; ++k) {
        bool ra = a[nk + k].asInt() != 0, rb = b[nk + k].asInt() != 0;
        if (ra != rb) return rb;
        if (ra) return false;
        if (a[k].isNull() != b[k].isNull()) return a[k].isNull();
        if (a[k].isNull()) continue;
        int c = compareValues(a[k], b[k]);
        if (c != 0) return c < 0;
      }
      return false;
    });
    std::vector<Value> sorted;
    sorted.reserve(rows_.size());
    for (uint32_t g : order)
      sorted.insert(sorted.end(), std::make_move_iterator(rows_.begin() + g * width_),
                    std::make_move_iterator(rows_.begin() + (g + 1) * width_));
    rows_ = std::move(sorted);
  }

  // Adds `v` to the group's total (answers a non-NULL value when it did).
  static Value addToTotal(const AggregateSpec& spec, Accumulator& acc, const Value& v) {
    const SqlType& from = spec.arg->type();
    switch (v.kind()) {
      case Value::Kind::Int: {
        int64_t sum = intSum(acc.value);
        if (__builtin_add_overflow(sum, v.asInt(), &sum)) overflow(spec.type);
        acc.value = Value::integer(sum);
        break;
      }
      case Value::Kind::Decimal: {
        std::optional<Decimal128> s =
            Decimal128::add(decimalSum(acc.value), v.asDecimal(), v.asDecimal().scale());
        if (!s) overflow(spec.type);
        acc.value = Value::decimal(*s);
        break;
      }
      case Value::Kind::Float: {
        const double sum = floatSum(acc.value) + v.asFloat();
        if (!std::isfinite(sum)) overflow(spec.type);
        acc.value = Value::floating(sum);
        break;
      }
      default:
        throwSqlError(8117, {std::string(from.baseName()), spec.kind == AggregateKind::Sum ? "sum" : "avg"});
    }
    return Value::integer(1);
  }

  static void accumulate(const AggregateSpec& spec, Accumulator& acc, const EvalContext& ctx) {
    if (!spec.arg) {
      ++acc.count;
      return;
    }
    Value scratch;
    const Value& v = spec.arg->ref(ctx, scratch);
    if (v.isNull()) {
      if (ctx.env) ctx.env->nullEliminated = true;
      return;
    }
    if (spec.distinct) {
      if (!acc.distinct) acc.distinct = std::make_unique<RowSet>();
      if (!acc.distinct->insert({v})) return;
    }
    ++acc.count;
    switch (spec.kind) {
      case AggregateKind::Sum:
      case AggregateKind::Avg:
        // An overflow while adding up gives the group NULL, with its warning,
        // where the statement's arithmetic errors give NULL; else it ends it.
        if (!acc.overflowed && nullOnArithmeticError(ctx, [&] { return addToTotal(spec, acc, v); }).isNull())
          acc.overflowed = true;
        break;
      case AggregateKind::Min:
        if (acc.value.isNull() || compareValues(v, acc.value) < 0) acc.value = v;
        break;
      case AggregateKind::Max:
        if (acc.value.isNull() || compareValues(v, acc.value) > 0) acc.value = v;
        break;
      default:
        break;
    }
  }

  static Value result(const AggregateSpec& spec, const Accumulator& acc) {
    switch (spec.kind) {
      case AggregateKind::Count:
        if (acc.count > INT32_MAX) overflow(spec.type);
        return Value::integer(acc.count);
      case AggregateKind::CountBig:
        return Value::integer(acc.count);
      case AggregateKind::Min:
      case AggregateKind::Max:
        return acc.value;
      default:
        break;
    }
    if (acc.count == 0 || acc.overflowed) return Value();
    const SqlType& t = spec.type;
    bool avg = spec.kind == AggregateKind::Avg;
    if (t.isInteger()) {
      // AVG divides the int total, so a total past int overflows there too.
      const int64_t sum = intSum(acc.value);
      if (t.id == TypeId::Int && (sum > INT32_MAX || sum < INT32_MIN)) overflow(t);
      return Value::integer(avg ? sum / acc.count : sum);
    }
    if (t.isApproximate()) {
      const double sum = floatSum(acc.value);
      return Value::floating(avg ? sum / static_cast<double>(acc.count) : sum);
    }
    // decimal and money: the total must fit the type, for AVG too
    std::optional<Decimal128> v = decimalSum(acc.value).rescale(t.scale);
    if (!v || !fitsExactType(*v, t)) overflow(t);
    if (avg) v = Decimal128::divide(*v, Decimal128::fromInt(acc.count), t.scale);
    return Value::decimal(*v);
  }

  GroupingSpec spec_;
  const Value** slots_ = nullptr;
  // While reading: each group's keys (as many a group as GROUP BY has), its
  // rollup level and its aggregates' states, found through a table per level.
  std::vector<Value> keys_;
  std::vector<uint8_t> levels_;
  std::vector<Accumulator> states_;  // group-major
  std::vector<GroupTable> index_;
  // Then the groups' rows, width_ values each.
  std::vector<Value> rows_;
  size_t width_ = 0;
  size_t groups_ = 0;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> makeGroupingSource(GroupingSpec spec) {
  return std::make_unique<GroupingSource>(std::move(spec));
}

}  // namespace mls::tsql
