// Changing rows through a view, by SQL Server's rules for updatable views: a
// change reaches one base table of the view's FROM, through view columns that
// name that table's columns directly; a view WITH CHECK OPTION takes only
// rows it would show.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/view_set.h"
#include "platform/tsql/exec/bind/binder.h"
#include "platform/tsql/exec/ops/query_plan.h"

namespace mls::tsql {

class UpdatableView {
 public:
  // Reads `view` as the target of a change: 4403 when it groups, aggregates
  // or keeps distinct rows (or is a UNION), 4436 for a UNION ALL (no
  // partitioning column can exist without CHECK constraints), 40517 when
  // its FROM holds a view (one of `views`) or a derived table.
  UpdatableView(const ViewDef& view, const ViewSet& views, const Catalog& catalog);

  // The base table an INSERT of the view columns `names` (empty: every
  // column of the view) reaches, and that table's column for each of them,
  // in order: 207 / 264 for a name the view lacks or repeats, 4406 for a
  // derived or constant column, 4405 for columns of several tables; without
  // names, a column mapping to an identity is left to the table's rule.
  struct Insert {
    ast::ObjectName table;
    std::vector<std::string> columns;
  };
  Insert insert(const std::vector<std::string>& names, const Catalog& catalog) const;

  // Whether UPDATE and DELETE may read the view's one table in its place: a
  // view without TOP whose columns all name that table's columns directly.
  bool plainSubset() const;
  // The table of the view's FROM (by position) that an UPDATE setting the
  // view columns `changed`, or a DELETE, changes: 4406 when one of `changed`
  // is derived or constant, 4405 when they come from several tables or a
  // DELETE would reach several.
  size_t changedTable(const std::vector<std::string>& changed, bool deleting) const;
  const ast::ObjectName& tableName(size_t table) const { return sources_[table]->name; }
  // `source` (table `table` of the view's FROM) takes the view's column
  // names; a column the view does not show directly none.
  void nameColumns(SourceBinding& source, size_t table) const;
  // The view's rows as a query reading it sees them (its WHERE, joins, TOP and
  // ORDER BY), each with one more column: the address of the row of table
  // `table` it shows (of no row of the table where an outer join supplies
  // NULLs).
  std::unique_ptr<QueryPlan> locatedRows(Binder& binder, size_t table) const;
  // Whether a row of the view's one table passes the view's WHERE (empty
  // when it has none).
  std::function<bool(const Value* row)> shows(Binder& binder, ExecEnv& env) const;

  // What WITH CHECK OPTION asks of each row a change leaves in the base table
  // (550 unless the view's WHERE holds for it); empty when the view has no
  // CHECK OPTION or no WHERE (CREATE VIEW takes the option on a view of one
  // table only).  4427 for a view with CHECK OPTION and TOP.
  std::function<void(const std::vector<Value>& row)> checkOption(Binder& binder, ExecEnv& env) const;

 private:
  struct ViewColumn {
    std::string name;
    int source = -1;     // the index of its table in sources_; -1: derived or constant
    std::string column;  // the table's column it names
  };
  const ViewDef& view_;
  std::vector<const ast::NamedTable*> sources_;  // the tables of the view's FROM
  std::vector<ViewColumn> columns_;
};

}  // namespace mls::tsql
