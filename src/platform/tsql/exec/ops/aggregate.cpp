#include "platform/tsql/exec/ops/aggregate.h"

#include <algorithm>
#include <cassert>
#include <unordered_map>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/ops/row_set.h"
#include "platform/tsql/types/convert.h"

namespace mls::tsql {

namespace {

// The running state of one aggregate in one group.
struct Accumulator {
  int64_t count = 0;
  int64_t intSum = 0;
  Decimal128 decSum;
  double floatSum = 0;
  Value extreme;                     // MIN / MAX
  std::unique_ptr<RowSet> distinct;  // DISTINCT: the values seen
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
    groups_.clear();
    states_.clear();
    index_.assign(spec_.rollup ? spec_.keys.size() + 1 : 1, {});
    pos_ = 0;
    const size_t nk = spec_.keys.size();
    const size_t na = spec_.aggregates.size();
    const size_t levels = spec_.rollup ? nk + 1 : 1;
    if (nk == 0) addGroup({});
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
    for (size_t g = 0; g < groups_.size(); ++g) {
      // [keys..., level] becomes [keys..., flags..., results...].
      std::vector<Value>& row = groups_[g];
      size_t level = nk == 0 ? 0 : static_cast<size_t>(row.back().asInt());
      if (nk > 0) row.pop_back();
      for (size_t k = 0; k < nk; ++k)
        row.push_back(Value::integer(k + level >= nk ? 1 : 0));
      for (size_t a = 0; a < na; ++a)
        row.push_back(
            nullOnArithmeticError(ctx, [&] { return result(spec_.aggregates[a], states_[g * na + a]); }));
    }
    if (spec_.rollup && nk > 0) sortRollup(nk);
  }

  bool doNext(const EvalContext&) override {
    if (pos_ >= groups_.size()) return false;
    slots_[spec_.groupSlot] = groups_[pos_++].data();
    return true;
  }

 private:
  size_t addGroup(std::vector<Value> key) {
    groups_.push_back(std::move(key));
    states_.resize(groups_.size() * spec_.aggregates.size());
    return groups_.size() - 1;
  }

  // The group of `key` at rollup `level`; the group row keeps the level last
  // until the results are in.
  size_t findOrAdd(size_t level, const std::vector<Value>& key) {
    size_t h = hashRow(key);
    auto [first, last] = index_[level].equal_range(h);
    for (auto it = first; it != last; ++it) {
      if (sameKey(groups_[it->second], key)) return it->second;
    }
    std::vector<Value> row = key;
    row.push_back(Value::integer(static_cast<int64_t>(level)));
    size_t g = addGroup(std::move(row));
    index_[level].emplace(h, g);
    return g;
  }

  static bool sameKey(const std::vector<Value>& row, const std::vector<Value>& key) {
    for (size_t i = 0; i < key.size(); ++i) {
      if (row[i].isNull() != key[i].isNull()) return false;
      if (!row[i].isNull() && compareValues(row[i], key[i]) != 0) return false;
    }
    return true;
  }

  // Orders ROLLUP groups by their keys (NULL first), a rolled-up key after
  // every value of it.
  void sortRollup(size_t nk) {
    std::stable_sort(groups_.begin(), groups_.end(),
                     [nk](const std::vector<Value>& a, const std::vector<Value>& b) {
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
    const SqlType& from = spec.arg->type();
    switch (spec.kind) {
      case AggregateKind::Sum:
      case AggregateKind::Avg:
        switch (v.kind()) {
          case Value::Kind::Int:
            if (__builtin_add_overflow(acc.intSum, v.asInt(), &acc.intSum)) overflow(spec.type);
            break;
          case Value::Kind::Decimal: {
            std::optional<Decimal128> s = Decimal128::add(acc.decSum, v.asDecimal(), v.asDecimal().scale());
            if (!s) overflow(spec.type);
            acc.decSum = *s;
            break;
          }
          case Value::Kind::Float:
            acc.floatSum += v.asFloat();
            break;
          default:
            throwSqlError(8117,
                          {std::string(from.baseName()), spec.kind == AggregateKind::Sum ? "sum" : "avg"});
        }
        break;
      case AggregateKind::Min:
        if (acc.extreme.isNull() || compareValues(v, acc.extreme) < 0) acc.extreme = v;
        break;
      case AggregateKind::Max:
        if (acc.extreme.isNull() || compareValues(v, acc.extreme) > 0) acc.extreme = v;
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
        return acc.extreme;
      default:
        break;
    }
    if (acc.count == 0) return Value();
    const SqlType& t = spec.type;
    bool avg = spec.kind == AggregateKind::Avg;
    if (t.isInteger()) {
      // AVG divides the int total, so a total past int overflows there too.
      if (t.id == TypeId::Int && (acc.intSum > INT32_MAX || acc.intSum < INT32_MIN)) overflow(t);
      return Value::integer(avg ? acc.intSum / acc.count : acc.intSum);
    }
    if (t.isApproximate())
      return Value::floating(avg ? acc.floatSum / static_cast<double>(acc.count) : acc.floatSum);
    // decimal and money
    std::optional<Decimal128> v = acc.decSum.rescale(t.scale);
    if (v && avg) v = Decimal128::divide(*v, Decimal128::fromInt(acc.count), t.scale);
    if (!v || !v->fits(t.precision)) overflow(t);
    return Value::decimal(*v);
  }

  GroupingSpec spec_;
  const Value** slots_ = nullptr;
  std::vector<std::vector<Value>> groups_;                      // keys while reading; then keys and results
  std::vector<Accumulator> states_;                             // group-major
  std::vector<std::unordered_multimap<size_t, size_t>> index_;  // per rollup level
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> makeGroupingSource(GroupingSpec spec) {
  return std::make_unique<GroupingSource>(std::move(spec));
}

}  // namespace mls::tsql
