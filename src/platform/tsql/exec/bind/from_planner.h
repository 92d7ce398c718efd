// Plans the FROM clause of a query or statement.  The sources bind into the
// query's scope (slots in the order they are written); the conditions of ON
// and WHERE split into conjuncts placed by the sources they read:
// - a conjunct of one source filters that source's scan (an equality with a
//   value fixed for the run becomes a key lookup, see TableScan);
// - inner and cross joins (and comma lists) flatten into one list joined
//   left-deep.  It starts from the first source written unless another one's
//   fixed equalities lead a key and so keep far fewer rows (a unique key: one
//   row); then each next source is the first in written order that a
//   condition links to the ones joined so far (else the next written), so no
//   cross product is built where a condition exists; a conjunct joins where
//   its sources meet, equalities between the two sides as hash keys, or as
//   lookups into the right table's index or the hash it keeps of the compared
//   columns while the left rows are few;
// - an outer join keeps its place: WHERE conditions go below it only on its
//   preserved side, ON conditions only on its NULL-supplying side.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/tsql/exec/bind/binder.h"
#include "platform/tsql/exec/ops/join_source.h"
#include "platform/tsql/exec/ops/table_scan.h"

namespace mls::tsql {

class FromPlanner {
 public:
  FromPlanner(Binder& binder, Scope& scope);
  ~FromPlanner();
  FromPlanner(const FromPlanner&) = delete;
  FromPlanner& operator=(const FromPlanner&) = delete;

  // Binds the sources of `from` into the scope.
  void addSources(const std::vector<ast::TableRefPtr>& from);
  // Adds one more source cross-joined with the others (the target of UPDATE t
  // ... FROM when t is not named in FROM).
  void addSource(SourceBinding table);
  // The target of a change through a view: the rows `rows` gives (the
  // view's, with one more column, unnamed, last) stand for the view where
  // FROM names it as `inFrom` (then before addSources), else as a source of
  // their own cross-joined with the others (by the view's name and column
  // names).
  void locateView(const ViewDef& view, const ast::NamedTable* inFrom,
                  std::function<std::unique_ptr<QueryPlan>()> rows);
  // The rows of the sources that pass `where` and `also` (null: every row).
  std::unique_ptr<RowSource> plan(const ast::Expr* where, const ast::Expr* also = nullptr);

 private:
  struct Node;
  struct Conjunct {
    const ast::Expr* ast;  // null: an implied equality, keyColumn = keyValue
    TrackedExpr bound;
    // Implied by others (a = b AND b = value give a = value): only a possible
    // key part of a's scan, no condition of its own.
    const ast::Expr* keyColumn = nullptr;
    const ast::Expr* keyValue = nullptr;
  };
  // column = value, the value fixed for the run (it reads no source of this
  // level).
  struct FixedEquality {
    TrackedExpr column, value;
    const ast::Expr* columnAst;
    const ast::Expr* valueAst;
  };
  struct Built {
    std::unique_ptr<RowSource> source;
    SlotMask slots;
    std::vector<int> slotList;
    bool varying = false;  // its rows may differ from one run of the query to the next
  };

  std::unique_ptr<Node> bindRef(const ast::TableRef& ref);
  // A derived table or view under `alias`, its columns renamed by `columnAliases` (if any).
  // The last `hidden` columns stay unnamed.
  std::unique_ptr<Node> derivedLeaf(std::unique_ptr<QueryPlan> plan, bool correlated,
                                    const std::string& alias, const std::vector<std::string>& columnAliases,
                                    size_t hidden = 0);
  std::unique_ptr<Node> leaf(SourceBinding b, std::unique_ptr<QueryPlan> derived, bool correlated);
  // The columns of the sources under `n` take NULL (the NULL-supplying side of an outer join).
  void markNullable(const Node& n);
  void addConjuncts(const ast::Expr& e, std::vector<Conjunct>& out);
  Built buildInner(std::vector<Node*> items, std::vector<Conjunct> conds);
  // The rows a source of `flat` is expected to give under its own conditions
  // `conds` (from its table's rows and the keys its fixed equalities lead);
  // -1 for a join or derived table.
  size_t estimatedRows(const Node& n, const std::vector<Conjunct>& conds);
  // The item of `flat` (its conditions in `pushed`) the joins start from.
  size_t startItem(const std::vector<Node*>& flat, const std::vector<std::vector<Conjunct>>& pushed);
  Built buildItem(Node& n, std::vector<Conjunct> conds);
  Built buildLeaf(Node& n, std::vector<Conjunct> conds);
  // `e` as column (of `slot`, or of any source with -1) = value fixed for the run.
  std::optional<FixedEquality> fixedEquality(const ast::Expr& e, int slot);
  // Adds the equalities of columns with values that follow from equalities
  // between columns of equal types, for the scans of `flat`'s tables.
  void addImpliedKeys(const std::vector<Node*>& flat, std::vector<Conjunct>& conds);
  Built join(JoinKind kind, Built left, Built right, std::vector<Conjunct> conds);
  // Lets `spec`'s inner join find the rows of its left `scan` through an index
  // whose columns are among `leftColumns` (by key; -1: no plain column),
  // preferring a unique one.
  static void probeThroughIndex(JoinSpec& spec, TableScan& scan, const std::vector<int>& leftColumns);
  // An inner or left join whose right input is a scan with a unique index
  // over columns the right keys compare (rightColumns: for each key, that
  // column or -1), or a clustered index led by such columns: the left rows
  // may find their right rows through it.
  static void lookUpThroughIndex(JoinSpec& spec, TableScan& scan, const std::vector<int>& rightColumns);

  Binder& binder_;
  Scope& scope_;
  const ast::NamedTable* locatedView_ = nullptr;
  std::function<std::unique_ptr<QueryPlan>()> locatedRows_;
  std::vector<std::unique_ptr<Node>> items_;
  std::shared_ptr<std::vector<Value>> nulls_;
};

}  // namespace mls::tsql
