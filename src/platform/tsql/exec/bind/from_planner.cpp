#include "platform/tsql/exec/bind/from_planner.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/tsql/catalog/table.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/expr/type_class.h"
#include "platform/tsql/exec/ops/derived_source.h"
#include "platform/tsql/exec/ops/table_scan.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

struct FromPlanner::Node {
  // A source (leaf), or a join of two nodes.
  int slot = -1;
  std::unique_ptr<QueryPlan> derived;  // a derived table's query
  bool correlated = false;
  ast::JoinType type = ast::JoinType::Inner;
  std::unique_ptr<Node> left, right;
  const ast::Expr* on = nullptr;
  SlotMask slots;

  bool isLeaf() const { return slot >= 0; }
  bool isInner() const { return !isLeaf() && (type == ast::JoinType::Inner || type == ast::JoinType::Cross); }
};

namespace {

bool within(const SlotMask& a, const SlotMask& b) {
  return (a & ~b).none();
}

BoundExprPtr conjoin(std::vector<BoundExprPtr> parts) {
  BoundExprPtr all;
  for (BoundExprPtr& p : parts)
    all = all ? makeAnd(std::move(all), std::move(p)) : std::move(p);
  return all;
}

// The leading key columns of `def` a join can give: for each, its position in
// `columns` (the column each join key compares, or -1), or kScanKeyPart where
// `scan`'s own key fixes it; up to the first column neither gives.  `joined`
// tells whether the join gave at least one.
std::vector<size_t> leadingKeys(const IndexDef& def, const TableScan& scan, const std::vector<int>& columns,
                                bool& joined) {
  std::vector<size_t> keys;
  joined = false;
  for (const KeyColumn& k : def.keys) {
    auto at = std::find(columns.begin(), columns.end(), static_cast<int>(k.column));
    if (at != columns.end()) {
      keys.push_back(static_cast<size_t>(at - columns.begin()));
      joined = true;
    } else if (scan.fixesColumn(k.column)) {
      keys.push_back(JoinSpec::kScanKeyPart);
    } else {
      break;
    }
  }
  return keys;
}

// Converts `e` to the comparison type `t` where its values differ in kind.
BoundExprPtr toComparison(BoundExprPtr e, const SqlType& t) {
  if (!differentRepresentation(e->type(), t)) return e;
  return makeConversion(std::move(e), t, ConvertKind::Implicit);
}

}  // namespace

FromPlanner::FromPlanner(Binder& binder, Scope& scope)
    : binder_(binder), scope_(scope), nulls_(std::make_shared<std::vector<Value>>()) {}

FromPlanner::~FromPlanner() = default;

std::unique_ptr<FromPlanner::Node> FromPlanner::leaf(SourceBinding b, std::unique_ptr<QueryPlan> derived,
                                                     bool correlated) {
  const size_t slot = scope_.sources.size();
  if (slot >= kMaxSources) throwSqlError(40517, {"more than 256 sources in one query"});
  b.slot = static_cast<int>(slot);
  for (const SourceBinding& other : scope_.sources) {
    // Two sources of one name cannot be told apart (1013).
    if (compareText(other.name, b.name) == 0) throwSqlError(1013, {other.name, b.name});
  }
  if (nulls_->size() < b.columns.size()) nulls_->resize(b.columns.size());
  auto n = std::make_unique<Node>();
  n->slot = b.slot;
  n->derived = std::move(derived);
  n->correlated = correlated;
  n->slots.set(slot);
  scope_.sources.push_back(std::move(b));
  return n;
}

std::unique_ptr<FromPlanner::Node> FromPlanner::derivedLeaf(std::unique_ptr<QueryPlan> plan, bool correlated,
                                                            const std::string& alias,
                                                            const std::vector<std::string>& columnAliases,
                                                            size_t hidden) {
  if (!plan->assignments.empty()) throwSqlError(141);
  SourceBinding b;
  b.name = alias;
  b.aliased = true;
  const size_t shown = plan->columns.size() - hidden;
  if (!columnAliases.empty() && columnAliases.size() != shown) {
    throwSqlError(columnAliases.size() < shown ? 8158 : 8159, {alias});
  }
  for (size_t i = 0; i < plan->columns.size(); ++i) {
    OutputColumn c = plan->columns[i];
    if (i >= shown) {
      c.name.clear();
      b.columns.push_back(std::move(c));
      continue;
    }
    if (!columnAliases.empty()) c.name = columnAliases[i];
    if (c.name.empty()) throwSqlError(8155, {std::to_string(i + 1), alias});
    for (const OutputColumn& prior : b.columns) {
      if (compareText(prior.name, c.name) == 0) throwSqlError(8156, {c.name, alias});
    }
    c.identity.reset();
    b.columns.push_back(std::move(c));
  }
  return leaf(std::move(b), std::move(plan), correlated);
}

std::unique_ptr<FromPlanner::Node> FromPlanner::bindRef(const ast::TableRef& ref) {
  switch (ref.kind) {
    case ast::TableRefKind::Named: {
      const auto& t = ref.as<ast::NamedTable>();
      // A locking hint locks the name as it says; else looking for a view of
      // the name locks it for reading, a table's as well as a view's.
      const bool hinted = binder_.context().lockAsHinted(t.name, t.hints);
      if (const ViewDef* v = binder_.context().view(t.name, !hinted)) {
        // The view's hints reach the tables its query reads.
        std::vector<std::string>& inherited = binder_.context().viewHints();
        const size_t before = inherited.size();
        inherited.insert(inherited.end(), t.hints.begin(), t.hints.end());
        struct Restore {
          std::vector<std::string>& hints;
          size_t size;
          ~Restore() { hints.resize(size, {}); }
        } restore{inherited, before};
        const std::string& name = t.alias.empty() ? v->name : t.alias;
        if (&t == locatedView_) {
          locatedView_ = nullptr;
          return derivedLeaf(std::exchange(locatedRows_, {})(), false, name, v->columns, 1);
        }
        bool correlated = false;
        std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*v->query, nullptr, &correlated);
        return derivedLeaf(std::move(plan), false, name, v->columns);
      }
      return leaf(binder_.bindTable(t.name, t.alias, 0, false), nullptr, false);
    }
    case ast::TableRefKind::Derived: {
      const auto& d = ref.as<ast::DerivedTable>();
      if (!d.query->orderBy.empty() && !(d.query->kind == ast::Query::Kind::Select && d.query->select->top)) {
        throwSqlError(1033);
      }
      bool correlated = false;
      std::unique_ptr<QueryPlan> plan = binder_.bindQuery(*d.query, scope_.outer, &correlated);
      // What the derived table reads further out, this query reads too.
      scope_.correlated = scope_.correlated || correlated;
      return derivedLeaf(std::move(plan), correlated, d.alias, d.columnAliases);
    }
    case ast::TableRefKind::Join: {
      const auto& j = ref.as<ast::JoinRef>();
      auto n = std::make_unique<Node>();
      n->type = j.type;
      n->left = bindRef(*j.left);
      n->right = bindRef(*j.right);
      n->on = j.on.get();
      n->slots = n->left->slots | n->right->slots;
      if (j.type == ast::JoinType::Left || j.type == ast::JoinType::Full) markNullable(*n->right);
      if (j.type == ast::JoinType::Right || j.type == ast::JoinType::Full) markNullable(*n->left);
      return n;
    }
  }
  return nullptr;
}

void FromPlanner::markNullable(const Node& n) {
  for (size_t i = 0; i < n.slots.size(); ++i) {
    if (!n.slots.test(i)) continue;
    for (OutputColumn& c : scope_.sources[i].columns)
      c.nullable = true;
  }
}

void FromPlanner::addSources(const std::vector<ast::TableRefPtr>& from) {
  for (const ast::TableRefPtr& ref : from)
    items_.push_back(bindRef(*ref));
}

void FromPlanner::addSource(SourceBinding table) {
  items_.push_back(leaf(std::move(table), nullptr, false));
}

void FromPlanner::locateView(const ViewDef& view, const ast::NamedTable* inFrom,
                             std::function<std::unique_ptr<QueryPlan>()> rows) {
  if (!inFrom) {
    items_.push_back(derivedLeaf(rows(), false, view.name, view.columns, 1));
    return;
  }
  locatedView_ = inFrom;
  locatedRows_ = std::move(rows);
}

void FromPlanner::addConjuncts(const ast::Expr& e, std::vector<Conjunct>& out) {
  if (e.kind == ast::ExprKind::Binary && e.as<ast::BinaryExpr>().op == ast::BinaryOp::And) {
    addConjuncts(*e.as<ast::BinaryExpr>().left, out);
    addConjuncts(*e.as<ast::BinaryExpr>().right, out);
    return;
  }
  out.push_back({&e, binder_.bindTracked(e, scope_, true)});
}

std::unique_ptr<RowSource> FromPlanner::plan(const ast::Expr* where, const ast::Expr* also) {
  std::vector<Conjunct> conds;
  if (where) addConjuncts(*where, conds);
  if (also) addConjuncts(*also, conds);
  std::vector<Node*> items;
  for (const auto& n : items_)
    items.push_back(n.get());
  return buildInner(std::move(items), std::move(conds)).source;
}

FromPlanner::Built FromPlanner::buildInner(std::vector<Node*> items, std::vector<Conjunct> conds) {
  // Flatten inner and cross joins into one list of items; their ON
  // conditions join the WHERE conditions.
  std::vector<Node*> flat;
  std::vector<Node*> work(items.rbegin(), items.rend());
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    if (!n->isInner()) {
      flat.push_back(n);
      continue;
    }
    work.push_back(n->right.get());
    work.push_back(n->left.get());
    if (n->on) addConjuncts(*n->on, conds);
  }
  addImpliedKeys(flat, conds);

  // A conjunct of one item goes into it; the rest join items.
  std::vector<std::vector<Conjunct>> pushed(flat.size());
  std::vector<Conjunct> pending;
  for (Conjunct& c : conds) {
    size_t target = flat.size();
    if (c.bound.slots.none()) {
      target = 0;
    } else {
      for (size_t i = 0; i < flat.size() && target == flat.size(); ++i) {
        if (within(c.bound.slots, flat[i]->slots)) target = i;
      }
    }
    if (target < flat.size()) {
      pushed[target].push_back(std::move(c));
    } else {
      pending.push_back(std::move(c));
    }
  }
  const size_t start = startItem(flat, pushed);
  std::vector<Built> built;
  for (size_t i = 0; i < flat.size(); ++i)
    built.push_back(buildItem(*flat[i], std::move(pushed[i])));

  Built current = std::move(built[start]);
  std::vector<bool> used(flat.size(), false);
  used[start] = true;
  for (size_t step = 1; step < flat.size(); ++step) {
    // The next item in written order that a pending conjunct links to the
    // items joined so far; else the next item.
    size_t pick = flat.size();
    for (size_t j = 0; j < flat.size() && pick == flat.size(); ++j) {
      if (used[j]) continue;
      SlotMask both = current.slots | built[j].slots;
      for (const Conjunct& c : pending) {
        if (within(c.bound.slots, both) && (c.bound.slots & built[j].slots).any() &&
            (c.bound.slots & current.slots).any()) {
          pick = j;
          break;
        }
      }
    }
    for (size_t j = 0; j < flat.size() && pick == flat.size(); ++j) {
      if (!used[j]) pick = j;
    }
    used[pick] = true;
    SlotMask both = current.slots | built[pick].slots;
    std::vector<Conjunct> here, rest;
    for (Conjunct& c : pending)
      (within(c.bound.slots, both) ? here : rest).push_back(std::move(c));
    pending = std::move(rest);
    current = join(JoinKind::Inner, std::move(current), std::move(built[pick]), std::move(here));
  }
  return current;
}

size_t FromPlanner::estimatedRows(const Node& n, const std::vector<Conjunct>& conds) {
  constexpr size_t kUnknown = static_cast<size_t>(-1);
  if (!n.isLeaf() || n.derived) return kUnknown;
  const Table& table = *scope_.sources[static_cast<size_t>(n.slot)].table;
  // The columns an equality with a value fixed for the run gives.
  std::vector<size_t> fixed;
  for (const Conjunct& c : conds) {
    if (!c.ast) {
      fixed.push_back(static_cast<size_t>(binder_.bindTracked(*c.keyColumn, scope_, false).columnIndex));
    } else if (std::optional<FixedEquality> eq = fixedEquality(*c.ast, n.slot)) {
      fixed.push_back(static_cast<size_t>(eq->column.columnIndex));
    }
  }
  auto isFixed = [&](size_t column) { return std::find(fixed.begin(), fixed.end(), column) != fixed.end(); };
  const size_t rows = table.rowCount();
  size_t estimate = rows;
  for (const IndexDef& def : table.indexes()) {
    size_t leading = 0;
    while (leading < def.keys.size() && isFixed(def.keys[leading].column))
      ++leading;
    if (def.unique && leading == def.keys.size()) return std::min<size_t>(rows, 1);
    // Each fixed leading column of a key taken to keep a sixteenth of the rows.
    if (leading > 0) estimate = std::min(estimate, rows >> std::min<size_t>(4 * leading, 60));
  }
  return estimate;
}

size_t FromPlanner::startItem(const std::vector<Node*>& flat,
                              const std::vector<std::vector<Conjunct>>& pushed) {
  constexpr size_t kUnknown = static_cast<size_t>(-1);
  // Where a source reads far fewer rows than the first one written, the
  // joins start from it (the first such in written order).
  constexpr size_t kMargin = 8;
  if (flat.size() < 2) return 0;
  const size_t first = estimatedRows(*flat[0], pushed[0]);
  if (first == kUnknown) return 0;
  size_t best = 0, bestRows = first;
  for (size_t i = 1; i < flat.size(); ++i) {
    const size_t rows = estimatedRows(*flat[i], pushed[i]);
    // A source leads when a key it is given keeps few of its rows.
    if (rows == kUnknown || rows == scope_.sources[static_cast<size_t>(flat[i]->slot)].table->rowCount())
      continue;
    if (rows < bestRows) {
      best = i;
      bestRows = rows;
    }
  }
  return bestRows * kMargin <= first ? best : 0;
}

FromPlanner::Built FromPlanner::buildItem(Node& n, std::vector<Conjunct> conds) {
  if (n.isLeaf()) return buildLeaf(n, std::move(conds));
  JoinKind kind = n.type == ast::JoinType::Left    ? JoinKind::Left
                  : n.type == ast::JoinType::Right ? JoinKind::Right
                                                   : JoinKind::Full;
  // WHERE conditions pass below the join on its preserved side only; the
  // others filter the joined rows.
  std::vector<Conjunct> leftConds, rightConds, joinConds, after;
  for (Conjunct& c : conds) {
    if (kind == JoinKind::Left && within(c.bound.slots, n.left->slots)) {
      leftConds.push_back(std::move(c));
    } else if (kind == JoinKind::Right && within(c.bound.slots, n.right->slots)) {
      rightConds.push_back(std::move(c));
    } else {
      after.push_back(std::move(c));
    }
  }
  // ON conditions pass below on the NULL-supplying side only.
  std::vector<Conjunct> on;
  if (n.on) addConjuncts(*n.on, on);
  for (Conjunct& c : on) {
    if (kind == JoinKind::Left && within(c.bound.slots, n.right->slots)) {
      rightConds.push_back(std::move(c));
    } else if (kind == JoinKind::Right && within(c.bound.slots, n.left->slots)) {
      leftConds.push_back(std::move(c));
    } else {
      joinConds.push_back(std::move(c));
    }
  }
  Built left = buildInner({n.left.get()}, std::move(leftConds));
  Built right = buildInner({n.right.get()}, std::move(rightConds));
  Built b = join(kind, std::move(left), std::move(right), std::move(joinConds));
  if (!after.empty()) {
    std::vector<BoundExprPtr> parts;
    for (Conjunct& c : after) {
      b.varying = b.varying || c.bound.varying;
      parts.push_back(std::move(c.bound.expr));
    }
    b.source = makeFilterSource(std::move(b.source), conjoin(std::move(parts)));
  }
  return b;
}

FromPlanner::Built FromPlanner::buildLeaf(Node& n, std::vector<Conjunct> conds) {
  SourceBinding& src = scope_.sources[static_cast<size_t>(n.slot)];
  ScanKey key;
  std::vector<BoundExprPtr> filters;
  Built b;
  b.varying = n.correlated;
  for (Conjunct& c : conds) {
    if (!c.ast) {
      // An implied equality: a key part, or nothing.
      if (n.derived) continue;
      TrackedExpr column = binder_.bindTracked(*c.keyColumn, scope_, false);
      TrackedExpr value = binder_.bindTracked(*c.keyValue, scope_, false);
      if (key.has(static_cast<size_t>(column.columnIndex))) continue;
      b.varying = b.varying || value.varying;
      SqlType t = comparisonType(column.expr->type(), value.expr->type());
      key.add(static_cast<size_t>(column.columnIndex), toComparison(std::move(column.expr), t),
              toComparison(std::move(value.expr), t));
      continue;
    }
    b.varying = b.varying || c.bound.varying;
    // column = value fixed for the run: a part of the scan's key.
    if (!n.derived) {
      if (std::optional<FixedEquality> eq = fixedEquality(*c.ast, n.slot)) {
        if (!key.has(static_cast<size_t>(eq->column.columnIndex))) {
          SqlType t = comparisonType(eq->column.expr->type(), eq->value.expr->type());
          key.add(static_cast<size_t>(eq->column.columnIndex), toComparison(std::move(eq->column.expr), t),
                  toComparison(std::move(eq->value.expr), t));
          continue;
        }
      }
    }
    filters.push_back(std::move(c.bound.expr));
  }
  b.slots = n.slots;
  b.slotList = {n.slot};
  if (n.derived) {
    b.source = makeDerivedSource(std::move(n.derived), n.correlated, n.slot, conjoin(std::move(filters)));
  } else {
    std::optional<ScanKey> scanKey;
    if (!key.columns.empty()) scanKey = std::move(key);
    b.source =
        std::make_unique<TableScan>(src.table, n.slot, conjoin(std::move(filters)), std::move(scanKey));
  }
  return b;
}

std::optional<FromPlanner::FixedEquality> FromPlanner::fixedEquality(const ast::Expr& e, int slot) {
  if (e.kind != ast::ExprKind::Binary || e.as<ast::BinaryExpr>().op != ast::BinaryOp::Eq) return std::nullopt;
  const auto& eq = e.as<ast::BinaryExpr>();
  FixedEquality f{binder_.bindTracked(*eq.left, scope_, false), binder_.bindTracked(*eq.right, scope_, false),
                  eq.left.get(), eq.right.get()};
  if (f.column.columnSlot < 0 || (slot >= 0 && f.column.columnSlot != slot)) {
    std::swap(f.column, f.value);
    std::swap(f.columnAst, f.valueAst);
  }
  if (f.column.columnSlot < 0 || (slot >= 0 && f.column.columnSlot != slot) || f.value.slots.any() ||
      f.column.expr->type().isNull() || f.value.expr->type().isNull())
    return std::nullopt;
  return f;
}

void FromPlanner::addImpliedKeys(const std::vector<Node*>& flat, std::vector<Conjunct>& conds) {
  // Columns fixed for the run, by (slot, column): the value's expression.
  struct Fixed {
    int slot, column;
    const ast::Expr* columnAst;
    const ast::Expr* valueAst;
    bool implied;
  };
  struct Link {
    int slotA, columnA;
    const ast::Expr* astA;
    int slotB, columnB;
    const ast::Expr* astB;
  };
  std::vector<Fixed> fixed;
  std::vector<Link> links;
  auto isTableLeaf = [&](int slot) {
    return std::any_of(flat.begin(), flat.end(),
                       [&](const Node* n) { return n->slot == slot && !n->derived; });
  };
  for (const Conjunct& c : conds) {
    if (!c.ast || c.bound.slots.count() > 2) continue;
    if (std::optional<FixedEquality> f = fixedEquality(*c.ast, -1)) {
      fixed.push_back({f->column.columnSlot, f->column.columnIndex, f->columnAst, f->valueAst, false});
      continue;
    }
    if (c.bound.slots.count() != 2 || c.ast->kind != ast::ExprKind::Binary ||
        c.ast->as<ast::BinaryExpr>().op != ast::BinaryOp::Eq)
      continue;
    const auto& eq = c.ast->as<ast::BinaryExpr>();
    TrackedExpr a = binder_.bindTracked(*eq.left, scope_, false);
    TrackedExpr b = binder_.bindTracked(*eq.right, scope_, false);
    // Equal types compare alike, so a = b and b = v give a = v.
    const SqlType& ta = a.expr->type();
    const SqlType& tb = b.expr->type();
    if (a.columnSlot < 0 || b.columnSlot < 0 || ta.id != tb.id || ta.precision != tb.precision ||
        ta.scale != tb.scale || ta.isNull())
      continue;
    links.push_back(
        {a.columnSlot, a.columnIndex, eq.left.get(), b.columnSlot, b.columnIndex, eq.right.get()});
  }
  auto find = [&](int slot, int column) -> const Fixed* {
    for (const Fixed& f : fixed) {
      if (f.slot == slot && f.column == column) return &f;
    }
    return nullptr;
  };
  for (bool grew = !fixed.empty(); grew;) {
    grew = false;
    for (const Link& l : links) {
      const Fixed* a = find(l.slotA, l.columnA);
      const Fixed* b = find(l.slotB, l.columnB);
      if (a && !b) {
        fixed.push_back({l.slotB, l.columnB, l.astB, a->valueAst, true});
        grew = true;
      } else if (b && !a) {
        fixed.push_back({l.slotA, l.columnA, l.astA, b->valueAst, true});
        grew = true;
      }
    }
  }
  for (const Fixed& f : fixed) {
    if (!f.implied || !isTableLeaf(f.slot)) continue;
    Conjunct c{nullptr, {}, f.columnAst, f.valueAst};
    c.bound.slots.set(static_cast<size_t>(f.slot));
    conds.push_back(std::move(c));
  }
}

FromPlanner::Built FromPlanner::join(JoinKind kind, Built left, Built right, std::vector<Conjunct> conds) {
  JoinSpec spec;
  spec.kind = kind;
  // The right rows are kept from one run to the next unless they may change.
  spec.keepRight = !right.varying;
  bool varying = left.varying || right.varying;
  std::vector<BoundExprPtr> residual;
  // For each key: the left column it compares in the column's own
  // representation, or -1.
  std::vector<int> leftColumns, rightColumns;
  for (Conjunct& c : conds) {
    varying = varying || c.bound.varying;
    // left side = right side: a hash key.
    if (c.ast->kind == ast::ExprKind::Binary && c.ast->as<ast::BinaryExpr>().op == ast::BinaryOp::Eq) {
      const auto& eq = c.ast->as<ast::BinaryExpr>();
      TrackedExpr a = binder_.bindTracked(*eq.left, scope_, false);
      TrackedExpr b = binder_.bindTracked(*eq.right, scope_, false);
      if (!within(a.slots, left.slots) || a.slots.none()) std::swap(a, b);
      if (a.slots.any() && b.slots.any() && within(a.slots, left.slots) && within(b.slots, right.slots) &&
          !a.expr->type().isNull() && !b.expr->type().isNull()) {
        SqlType t = comparisonType(a.expr->type(), b.expr->type());
        spec.keepRight = spec.keepRight && !b.varying;
        const bool plain =
            a.columnSlot >= 0 && left.slotList.size() == 1 && !differentRepresentation(a.expr->type(), t);
        leftColumns.push_back(plain ? a.columnIndex : -1);
        const bool plainRight =
            b.columnSlot >= 0 && right.slotList.size() == 1 && !differentRepresentation(b.expr->type(), t);
        rightColumns.push_back(plainRight ? b.columnIndex : -1);
        spec.leftKeys.push_back(toComparison(std::move(a.expr), t));
        spec.rightKeys.push_back(toComparison(std::move(b.expr), t));
        continue;
      }
    }
    residual.push_back(std::move(c.bound.expr));
  }
  spec.residual = conjoin(std::move(residual));
  if (kind == JoinKind::Inner && !leftColumns.empty()) {
    if (auto* scan = dynamic_cast<TableScan*>(left.source.get())) probeThroughIndex(spec, *scan, leftColumns);
  }
  if ((kind == JoinKind::Inner || kind == JoinKind::Left) && !rightColumns.empty()) {
    if (auto* scan = dynamic_cast<TableScan*>(right.source.get()))
      lookUpThroughIndex(spec, *scan, rightColumns);
  }
  spec.left = std::move(left.source);
  spec.right = std::move(right.source);
  spec.leftSlots = left.slotList;
  spec.rightSlots = right.slotList;
  spec.nulls = nulls_;
  Built b;
  b.varying = varying;
  b.slots = left.slots | right.slots;
  b.slotList = std::move(left.slotList);
  b.slotList.insert(b.slotList.end(), right.slotList.begin(), right.slotList.end());
  b.source = makeJoinSource(std::move(spec));
  return b;
}

void FromPlanner::probeThroughIndex(JoinSpec& spec, TableScan& scan, const std::vector<int>& leftColumns) {
  for (const IndexDef& def : scan.table()->indexes()) {
    bool joined = false;
    std::vector<size_t> keys = leadingKeys(def, scan, leftColumns, joined);
    if (!joined || keys.size() != def.keys.size() ||
        (spec.probeIndex && (spec.probeIndex->unique || !def.unique)))
      continue;
    spec.leftScan = &scan;
    spec.probeIndex = &def;
    spec.probeKeys = std::move(keys);
  }
}

void FromPlanner::lookUpThroughIndex(JoinSpec& spec, TableScan& scan, const std::vector<int>& rightColumns) {
  for (const IndexDef& def : scan.table()->indexes()) {
    if (!def.unique) continue;
    std::vector<size_t> keys;
    for (const KeyColumn& k : def.keys) {
      auto at = std::find(rightColumns.begin(), rightColumns.end(), static_cast<int>(k.column));
      if (at == rightColumns.end()) break;
      keys.push_back(static_cast<size_t>(at - rightColumns.begin()));
    }
    if (keys.size() != def.keys.size()) continue;
    spec.rightScan = &scan;
    spec.lookupIndex = &def;
    spec.lookupKeys = std::move(keys);
    return;
  }
  // Else the clustered key's leading columns, compared by the join or fixed
  // by the scan's own key (at least one by the join): a range of storage order.
  std::vector<size_t> keys;
  if (const IndexDef* clustered = scan.table()->clusteredIndex()) {
    bool joined = false;
    keys = leadingKeys(*clustered, scan, rightColumns, joined);
    while (!keys.empty() && keys.back() == JoinSpec::kScanKeyPart)
      keys.pop_back();
    if (joined) {
      spec.rightScan = &scan;
      spec.lookupIndex = clustered;
      spec.lookupKeys = std::move(keys);
      return;
    }
  }
  // Else the hash the table keeps of the compared columns (ascending, each once).
  std::vector<size_t> columns;
  for (int c : rightColumns) {
    if (c >= 0 && std::find(columns.begin(), columns.end(), static_cast<size_t>(c)) == columns.end())
      columns.push_back(static_cast<size_t>(c));
  }
  if (columns.empty()) return;
  std::sort(columns.begin(), columns.end());
  for (size_t c : columns) {
    auto at = std::find(rightColumns.begin(), rightColumns.end(), static_cast<int>(c));
    keys.push_back(static_cast<size_t>(at - rightColumns.begin()));
  }
  spec.rightScan = &scan;
  spec.lookupColumns = std::move(columns);
  spec.lookupKeys = std::move(keys);
}

}  // namespace mls::tsql
