// Binding of queries: the FROM source, the select list (or variable
// assignments), WHERE, grouping and aggregates, DISTINCT, TOP, ORDER BY and
// UNION.
#include <charconv>
#include <utility>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/names.h"
#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/ast_walk.h"
#include "platform/tsql/exec/bind/binder.h"
#include "platform/tsql/exec/bind/from_planner.h"
#include "platform/tsql/exec/ops/aggregate.h"
#include "platform/tsql/exec/ops/query_plan.h"
#include "platform/tsql/exec/ops/set_source.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

// Restores the binder's grouping when a query's binding ends.
class GroupingGuard {
 public:
  GroupingGuard(GroupingBinding*& slot, GroupingBinding* value) : slot_(slot), saved_(slot) { slot_ = value; }
  ~GroupingGuard() { slot_ = saved_; }
  GroupingGuard(const GroupingGuard&) = delete;
  GroupingGuard& operator=(const GroupingGuard&) = delete;

 private:
  GroupingBinding*& slot_;
  GroupingBinding* saved_;
};

// A nested query starts ungrouped; the grouping it is bound under (if any)
// stays visible to its outer references until its binding ends.
class NestedQueryGuard {
 public:
  NestedQueryGuard(GroupingBinding*& grouping, std::vector<const GroupingBinding*>& outer)
      : grouping_(grouping), saved_(grouping), outer_(outer) {
    if (saved_) outer_.push_back(saved_);
    grouping_ = nullptr;
  }
  ~NestedQueryGuard() {
    grouping_ = saved_;
    if (saved_) outer_.pop_back();
  }
  NestedQueryGuard(const NestedQueryGuard&) = delete;
  NestedQueryGuard& operator=(const NestedQueryGuard&) = delete;

 private:
  GroupingBinding*& grouping_;
  GroupingBinding* saved_;
  std::vector<const GroupingBinding*>& outer_;
};

bool isAggregateQuery(const ast::Query& q) {
  const ast::SelectSpec& s = *q.select;
  if (!s.groupBy.empty() || s.having) return true;
  for (const ast::SelectItem& item : s.items) {
    if (item.expr && containsAggregate(*item.expr)) return true;
  }
  for (const ast::OrderItem& o : q.orderBy) {
    if (containsAggregate(*o.expr)) return true;
  }
  return false;
}

// The output column of a set operation that a qualified ORDER BY name stands
// for: the item of the first SELECT that names the same column the same way
// (ORDER BY E.FID after SELECT E.FID ... UNION ...); -1 when none does.
int firstSelectColumnOf(const ast::Query& q, const ast::ColumnRef& ref) {
  const std::vector<ast::SelectItem>& items = q.firstSelect().items;
  for (size_t i = 0; i < items.size(); ++i) {
    const ast::Expr* e = items[i].expr.get();
    if (!e || e->kind == ast::ExprKind::Star) return -1;
    if (!items[i].variable.empty() || e->kind != ast::ExprKind::ColumnRef) continue;
    const std::vector<std::string>& parts = e->as<ast::ColumnRef>().parts;
    if (parts.size() != ref.parts.size()) continue;
    bool same = true;
    for (size_t k = 0; k < parts.size() && same; ++k)
      same = compareText(parts[k], ref.parts[k]) == 0;
    if (same) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

SourceBinding Binder::bindTable(const ast::ObjectName& name, const std::string& alias, int slot, bool lock) {
  SourceBinding b;
  if (isSchemaViewsName(name)) {
    std::vector<ViewText> texts;
    for (const ViewDef* v : context_.views().all())
      texts.push_back({v->name, v->definition, v->checkOption});
    b.table = buildSchemaViews(texts, context_.catalog().database());
  } else {
    b.table = context_.catalog().getTable(name, lock);
  }
  b.aliased = !alias.empty();
  b.name = b.aliased ? alias : name.name();
  b.slot = slot;
  for (const Column& c : b.table->columns())
    b.columns.push_back({c.name, c.type, c.nullable, c.identity});
  return b;
}

std::string Binder::groupingKey(const ast::Expr& e, const Scope* scope) {
  return exprKey(e, [&](const ast::ColumnRef& c) {
    const std::string* qualifier = c.parts.size() >= 2 ? &c.parts[c.parts.size() - 2] : nullptr;
    for (const SourceBinding& src : scope->sources) {
      if (qualifier && compareText(*qualifier, src.name) != 0) continue;
      for (size_t i = 0; i < src.columns.size(); ++i) {
        if (compareText(src.columns[i].name, c.column()) == 0) {
          return std::to_string(src.slot) + "." + std::to_string(i);
        }
      }
    }
    return toUpper(c.column());
  });
}

BoundExprPtr Binder::bindGrouped(const ast::Expr& e) {
  GroupingBinding& g = *grouping_;
  if (e.kind == ast::ExprKind::Literal) return nullptr;
  std::string key = groupingKey(e, g.source);
  const int nk = static_cast<int>(g.keyTexts.size());
  for (int i = 0; i < nk; ++i) {
    if (g.keyTexts[static_cast<size_t>(i)] == key) {
      const OutputColumn& c = g.keyColumns[static_cast<size_t>(i)];
      return makeColumn(0, g.groupSlot, i, c.type, c.nullable);
    }
  }
  if (e.kind != ast::ExprKind::Function) return nullptr;
  const auto& f = e.as<ast::FunctionCall>();
  if (f.name.parts.size() == 1 && compareText(f.name.name(), "GROUPING") == 0) {
    // GROUPING(key): the key's flag, 1 where a ROLLUP row sums over it.
    if (f.args.size() != 1 || f.star || f.distinct) throwSqlError(174, {"GROUPING", "1"});
    std::string argKey = groupingKey(*f.args[0], g.source);
    for (int i = 0; i < nk; ++i) {
      if (g.keyTexts[static_cast<size_t>(i)] == argKey) {
        return makeColumn(0, g.groupSlot, nk + i, SqlType(TypeId::TinyInt), false);
      }
    }
    throwSqlError(8161);
  }
  std::optional<AggregateKind> kind =
      f.name.parts.size() == 1 ? aggregateKind(toUpper(f.name.name())) : std::nullopt;
  if (!kind) return nullptr;
  for (size_t j = 0; j < g.aggregateTexts.size(); ++j) {
    if (g.aggregateTexts[j] == key) {
      return makeColumn(0, g.groupSlot, 2 * nk + static_cast<int>(j), g.aggregates[j].type, true);
    }
  }
  AggregateSpec spec;
  spec.kind = *kind;
  spec.distinct = f.distinct;
  if (f.star) {
    if (*kind != AggregateKind::Count && *kind != AggregateKind::CountBig) throwSqlError(102, {"*"});
  } else {
    if (f.args.size() != 1) throwSqlError(174, {toUpper(f.name.name()), "1"});
    GroupingGuard inner(grouping_, nullptr);
    if (containsAggregate(*f.args[0])) throwSqlError(130);
    spec.arg = bind(*f.args[0], g.source);
  }
  spec.type = aggregateType(spec.kind, spec.arg ? spec.arg->type() : SqlType(TypeId::Int));
  SqlType t = spec.type;
  g.aggregateTexts.push_back(std::move(key));
  g.aggregates.push_back(std::move(spec));
  const bool counts = *kind == AggregateKind::Count || *kind == AggregateKind::CountBig;
  return makeColumn(0, g.groupSlot, 2 * nk + static_cast<int>(g.aggregates.size() - 1), t, !counts);
}

std::unique_ptr<QueryPlan> Binder::bindQuery(const ast::Query& q, const Scope* outer, bool* correlated) {
  if (q.kind != ast::Query::Kind::Select) return bindSetOperation(q, outer, correlated);
  NestedQueryGuard nested(grouping_, outerGroupings_);
  const ast::SelectSpec& s = *q.select;
  auto plan = std::make_unique<QueryPlan>();
  Scope scope;
  scope.outer = outer;

  if (!s.from.empty()) {
    FromPlanner from(*this, scope);
    from.addSources(s.from);
    plan->source = from.plan(s.where.get());
  } else if (s.where) {
    plan->where = bindCondition(*s.where, &scope);
  }
  plan->slotCount = scope.sources.size();

  // Grouping: the rows collapse to group rows in one more slot.
  GroupingBinding grouping;
  std::vector<BoundExprPtr> groupKeys;
  const bool aggregated = isAggregateQuery(q);
  if (aggregated) {
    grouping.source = &scope;
    grouping.groupSlot = static_cast<int>(scope.sources.size());
    for (const ast::ExprPtr& k : s.groupBy) {
      if (containsAggregate(*k)) throwSqlError(144);
      groupKeys.push_back(bind(*k, &scope));
      grouping.keyTexts.push_back(groupingKey(*k, &scope));
      grouping.keyColumns.push_back(
          {"", groupKeys.back()->type(), groupKeys.back()->nullable() || s.withRollup});
    }
  }
  GroupingGuard groupingOn(grouping_, aggregated ? &grouping : nullptr);

  SelectItems items;
  bindSelectItems(s, scope, aggregated, *plan, items);

  BoundExprPtr having;
  if (s.having) {
    struct HavingGuard {
      int& error;
      ~HavingGuard() { error = 8120; }
    } guard{ungroupedError_};
    ungroupedError_ = 8121;
    having = bindCondition(*s.having, &scope);
  }
  plan->distinct = s.distinct;
  if (s.top) {
    GroupingGuard topOutside(grouping_, nullptr);
    plan->top = bind(*s.top->count, outer);
    plan->topPercent = s.top->percent;
    plan->withTies = s.top->withTies;
    if (plan->withTies && q.orderBy.empty()) throwSqlError(1062);
  }
  bindOrderBy(q, scope, items.exprs, *plan);

  if (aggregated) {
    // Regroup what was bound: the scan and WHERE feed the grouping source;
    // HAVING filters its group rows.
    GroupingSpec spec;
    spec.input = std::move(plan->source);
    spec.where = std::move(plan->where);
    spec.keys = std::move(groupKeys);
    spec.aggregates = std::move(grouping.aggregates);
    spec.groupSlot = grouping.groupSlot;
    spec.rollup = s.withRollup;
    plan->source = makeGroupingSource(std::move(spec));
    plan->where = std::move(having);
    plan->slotCount = static_cast<size_t>(grouping.groupSlot) + 1;
  }
  if (correlated) *correlated = scope.correlated;
  return plan;
}

void Binder::bindSelectItems(const ast::SelectSpec& s, const Scope& scope, bool aggregated, QueryPlan& plan,
                             SelectItems& items) {
  for (const ast::SelectItem& item : s.items) {
    if (!item.variable.empty()) {
      int v = variable(item.variable, item.pos);
      plan.assignments.push_back(
          {v, makeConversion(bind(*item.expr, &scope), context_.frame()->at(v).type, ConvertKind::Implicit)});
      continue;
    }
    if (item.expr->kind == ast::ExprKind::Star) {
      bindStar(item.expr->as<ast::Star>(), scope, aggregated, plan, items);
      continue;
    }
    TrackedExpr e = bindTracked(*item.expr, scope, false);
    OutputColumn column{selectItemName(item), e.expr->type(), e.expr->nullable()};
    if (e.columnSlot >= 0 && !aggregated) {
      column.identity = scope.sources[static_cast<size_t>(e.columnSlot)]
                            .columns[static_cast<size_t>(e.columnIndex)]
                            .identity;
    }
    plan.columns.push_back(std::move(column));
    plan.outputs.push_back(std::move(e.expr));
    items.exprs.push_back(item.expr.get());
  }
  if (!plan.assignments.empty() && !plan.outputs.empty()) throwSqlError(141);
  // The IDENTITY property carries over from one table's column selected once.
  size_t identities = 0;
  for (const OutputColumn& c : plan.columns)
    identities += c.identity ? 1 : 0;
  if (identities > 1 || scope.sources.size() != 1) {
    for (OutputColumn& c : plan.columns)
      c.identity.reset();
  }
}

void Binder::bindStar(const ast::Star& star, const Scope& scope, bool aggregated, QueryPlan& plan,
                      SelectItems& items) {
  bool matched = false;
  for (const SourceBinding& src : scope.sources) {
    if (!star.qualifier.empty() && compareText(star.qualifier.back(), src.name) != 0) continue;
    if (!isLocalName(star.qualifier, context_.catalog().database())) continue;
    matched = true;
    for (size_t i = 0; i < src.columns.size(); ++i) {
      const OutputColumn& c = src.columns[i];
      // The column as if named `source.column` (under GROUP BY it must be a key).
      items.starColumns.push_back(
          std::make_unique<ast::ColumnRef>(std::vector<std::string>{src.name, c.name}, star.pos));
      plan.columns.push_back(c);
      plan.outputs.push_back(aggregated ? bind(*items.starColumns.back(), &scope)
                                        : makeColumn(0, src.slot, static_cast<int>(i), c.type, c.nullable));
      items.exprs.push_back(items.starColumns.back().get());
    }
  }
  if (!matched) {
    if (star.qualifier.empty()) throwSqlError(263);
    throwSqlError(4104, {star.qualifier.back()});
  }
}

void Binder::bindOrderBy(const ast::Query& q, const Scope& scope,
                         const std::vector<const ast::Expr*>& itemExprs, QueryPlan& plan) {
  const std::vector<ast::SelectItem>* items = q.kind == ast::Query::Kind::Select ? &q.select->items : nullptr;
  // The i-th output column; a set operation's is found again among its
  // sources, in output order.
  auto outputColumn = [&](size_t i) {
    if (itemExprs[i]) return bind(*itemExprs[i], &scope);
    BoundExprPtr column;
    size_t k = 0;
    for (const SourceBinding& src : scope.sources) {
      for (size_t c = 0; c < src.columns.size(); ++c, ++k) {
        if (k == i) column = makeColumn(0, src.slot, static_cast<int>(c), src.columns[c].type, true);
      }
    }
    return column;
  };
  for (const ast::OrderItem& o : q.orderBy) {
    const ast::Expr& e = *o.expr;
    SortKey key;
    key.descending = o.descending;
    bool selected = false;
    const int firstSelectColumn =
        !items && e.kind == ast::ExprKind::ColumnRef && e.as<ast::ColumnRef>().parts.size() > 1
            ? firstSelectColumnOf(q, e.as<ast::ColumnRef>())
            : -1;
    if (e.kind == ast::ExprKind::Literal && e.as<ast::Literal>().literal == ast::LiteralKind::Integer) {
      // ORDER BY n: the n-th output column.
      const std::string& text = e.as<ast::Literal>().text;
      size_t n = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > plan.columns.size()) {
        throwSqlError(108, {text});
      }
      key.expr = outputColumn(static_cast<size_t>(n - 1));
      selected = true;
    } else if (firstSelectColumn >= 0) {
      key.expr = outputColumn(static_cast<size_t>(firstSelectColumn));
      selected = true;
    } else {
      const ast::Expr* source = &e;
      if (items && e.kind == ast::ExprKind::ColumnRef && e.as<ast::ColumnRef>().parts.size() == 1) {
        // An alias of the select list wins over a column of the same name;
        // two different items of that name are ambiguous.
        const std::string& name = e.as<ast::ColumnRef>().column();
        bool aliased = false;
        for (const ast::SelectItem& item : *items) {
          if (!item.variable.empty() || compareText(selectItemName(item), name) != 0) continue;
          if (selected && groupingKey(*item.expr, &scope) != groupingKey(*source, &scope)) {
            throwSqlError(209, {name});
          }
          aliased = aliased || !item.alias.empty();
          source = item.expr.get();
          selected = true;
        }
        if (!aliased) source = &e;
      }
      key.expr = bind(*source, &scope);
      if (!selected && e.kind == ast::ExprKind::ColumnRef) {
        for (const OutputColumn& c : plan.columns) {
          selected = selected || compareText(c.name, e.as<ast::ColumnRef>().column()) == 0;
        }
      }
    }
    if (plan.distinct && !selected && key.expr->constant() == nullptr) throwSqlError(145);
    plan.orderBy.push_back(std::move(key));
  }
}

std::unique_ptr<QueryPlan> Binder::bindSetOperation(const ast::Query& q, const Scope* outer,
                                                    bool* correlated) {
  NestedQueryGuard nested(grouping_, outerGroupings_);
  bool cl = false, cr = false;
  std::unique_ptr<QueryPlan> left = bindQuery(*q.left, outer, &cl);
  std::unique_ptr<QueryPlan> right = bindQuery(*q.right, outer, &cr);
  if (!left->assignments.empty() || !right->assignments.empty()) throwSqlError(141);
  if (left->columns.size() != right->columns.size()) throwSqlError(205);

  Scope scope;
  scope.outer = outer;
  SourceBinding rows;
  for (size_t i = 0; i < left->columns.size(); ++i) {
    SqlType t = combineTypes(left->columns[i].type, right->columns[i].type);
    if (t.isNull()) t = SqlType(TypeId::Int);
    for (QueryPlan* side : {left.get(), right.get()}) {
      side->outputs[i] = makeConversion(std::move(side->outputs[i]), t, ConvertKind::Implicit);
      side->columns[i].type = t;
    }
    rows.columns.push_back(
        {left->columns[i].name, t, left->columns[i].nullable || right->columns[i].nullable});
  }
  auto plan = std::make_unique<QueryPlan>();
  plan->slotCount = 1;
  SetOperation op = q.kind == ast::Query::Kind::Except      ? SetOperation::Except
                    : q.kind == ast::Query::Kind::Intersect ? SetOperation::Intersect
                    : q.unionAll                            ? SetOperation::UnionAll
                                                            : SetOperation::Union;
  plan->source = makeSetSource(op, std::move(left), std::move(right));
  std::vector<const ast::Expr*> itemExprs;
  for (size_t i = 0; i < rows.columns.size(); ++i) {
    plan->columns.push_back(rows.columns[i]);
    plan->outputs.push_back(
        makeColumn(0, 0, static_cast<int>(i), rows.columns[i].type, rows.columns[i].nullable));
    itemExprs.push_back(nullptr);
  }
  scope.sources.push_back(std::move(rows));
  bindOrderBy(q, scope, itemExprs, *plan);
  if (correlated) *correlated = cl || cr;
  return plan;
}

BoundExprPtr Binder::bindSubquery(SubqueryKind kind, const ast::Query& q, const Scope* scope,
                                  BoundExprPtr operand, bool negated, CompareOp op) {
  bool correlated = false;
  std::unique_ptr<QueryPlan> plan = bindQuery(q, scope, &correlated);
  return makeSubquery(kind, std::move(plan), correlated, std::move(operand), negated, op);
}

}  // namespace mls::tsql
