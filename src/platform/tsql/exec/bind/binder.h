// The binder: resolves the names of an AST expression or query (columns of the
// FROM sources, of enclosing queries, variables, tables of the catalog) and
// builds bound trees with static types.  A statement is bound when it runs, so
// objects created earlier in the batch are visible.  Expressions bind here
// (binder.cpp); queries bind into plans with the FROM planner beside it
// (query_binder.cpp, from_planner), subqueries included.
#pragma once

#include <bitset>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/tsql/exec/bind/bind_context.h"
#include "platform/tsql/exec/expr/aggregate_spec.h"
#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/expr/output_column.h"
#include "platform/tsql/exec/ops/subquery.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

class Table;

// A source of a query as names see it: a table (or system view) under its
// alias, or the table's name when it has none.
struct SourceBinding {
  std::string name;      // alias, or the table's name as written
  bool aliased = false;  // an alias hides the table's own name
  std::vector<OutputColumn> columns;
  std::shared_ptr<Table> table;  // null for a source that is no stored table
  int slot = 0;
};

// The sources of one query level a bound expression reads (by slot).
inline constexpr size_t kMaxSources = 256;
using SlotMask = std::bitset<kMaxSources>;

// A condition or value bound with the sources it reads at its own level: the
// FROM planner places conditions by them.
struct TrackedExpr {
  BoundExprPtr expr;
  SlotMask slots;
  // For a bare column reference of this level: its slot and index.
  int columnSlot = -1;
  int columnIndex = -1;
  // Reads columns of enclosing queries or variables: its value may differ
  // from one run of the query to the next.
  bool varying = false;
};

// The sources visible at one level of query nesting.
struct Scope {
  const Scope* outer = nullptr;
  std::vector<SourceBinding> sources;
  mutable bool correlated = false;  // a name resolved to an enclosing scope
};

// The grouping of the query being bound: its GROUP BY keys and the
// aggregates met so far.  Expressions over the grouped scope bind to columns
// of the group row [keys..., GROUPING flags..., aggregates...] in slot
// `groupSlot`: one flag per key, 1 in a ROLLUP row where the key is rolled up.
struct GroupingBinding {
  const Scope* source = nullptr;
  int groupSlot = 0;
  std::vector<std::string> keyTexts;
  std::vector<OutputColumn> keyColumns;
  std::vector<std::string> aggregateTexts;
  std::vector<AggregateSpec> aggregates;
};

class Binder {
 public:
  explicit Binder(BindContext& context) : context_(context) {}

  // A value or condition over `scope` (null: no sources).
  BoundExprPtr bind(const ast::Expr& e, const Scope* scope);
  // A condition (WHERE, IF, WHILE): a value is no condition.
  BoundExprPtr bindCondition(const ast::Expr& e, const Scope* scope);
  // A query; `outer` is the enclosing scope of a subquery.  `correlated`
  // receives whether the query reads columns of an enclosing one.
  std::unique_ptr<QueryPlan> bindQuery(const ast::Query& q, const Scope* outer, bool* correlated = nullptr);
  // `e` bound over `scope`, with the sources of `scope` it reads.
  TrackedExpr bindTracked(const ast::Expr& e, const Scope& scope, bool condition);
  // The scope of one named table read by a query or statement (208 when absent).
  // `lock`: the name is locked for reading as it resolves (else the caller
  // locked it).
  SourceBinding bindTable(const ast::ObjectName& name, const std::string& alias, int slot, bool lock = true);

  // The variable `name` declared before `at` in the batch (137 otherwise).
  int variable(const std::string& name, ast::Pos at) const;

  BindContext& context() { return context_; }

 private:
  BoundExprPtr bindColumn(const ast::ColumnRef& c, const Scope* scope);
  BoundExprPtr bindUnary(const ast::UnaryExpr& u, const Scope* scope);
  BoundExprPtr bindBinary(const ast::BinaryExpr& b, const Scope* scope);
  BoundExprPtr bindBetween(const ast::BetweenExpr& b, const Scope* scope);
  // The group row column `e` names under grouping, or null.
  BoundExprPtr bindGrouped(const ast::Expr& e);
  std::string groupingKey(const ast::Expr& e, const Scope* scope);
  // The select list's expressions (one per output column, a star's columns
  // as references made for them) for ORDER BY to find items in.
  struct SelectItems {
    std::vector<const ast::Expr*> exprs;
    std::vector<std::unique_ptr<ast::ColumnRef>> starColumns;
  };
  void bindSelectItems(const ast::SelectSpec& s, const Scope& scope, bool aggregated, QueryPlan& plan,
                       SelectItems& items);
  void bindStar(const ast::Star& star, const Scope& scope, bool aggregated, QueryPlan& plan,
                SelectItems& items);
  std::unique_ptr<QueryPlan> bindSetOperation(const ast::Query& q, const Scope* outer, bool* correlated);
  void bindOrderBy(const ast::Query& q, const Scope& scope, const std::vector<const ast::Expr*>& itemExprs,
                   QueryPlan& plan);
  BoundExprPtr bindFunction(const ast::FunctionCall& f, const Scope* scope);
  BoundExprPtr bindCase(const ast::CaseExpr& c, const Scope* scope);
  BoundExprPtr bindSubquery(SubqueryKind kind, const ast::Query& q, const Scope* scope, BoundExprPtr operand,
                            bool negated, CompareOp op = CompareOp::Eq);
  std::vector<BoundExprPtr> bindArgs(const std::vector<ast::ExprPtr>& args, const Scope* scope);

  BindContext& context_;
  GroupingBinding* grouping_ = nullptr;
  int ungroupedError_ = 8120;  // a column neither grouped nor aggregated: 8121 in HAVING
  // The groupings of the enclosing queries whose grouped parts (select list,
  // HAVING, ORDER BY) hold the subquery being bound: a name read from such a
  // query reads its group row.
  std::vector<const GroupingBinding*> outerGroupings_;
  // The running bindTracked calls (nested through subqueries): the scope whose
  // sources each notes, and where.
  std::vector<std::pair<const Scope*, TrackedExpr*>> trackers_;
};

// "col" for a column reference, the alias when given, "" otherwise.
std::string selectItemName(const ast::SelectItem& item);

}  // namespace mls::tsql
