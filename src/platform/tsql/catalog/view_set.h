// The views of a database: CREATE VIEW keeps the statement's query (a share of
// that subtree of its batch's AST, not the batch) and its text under the
// view's name; a query that names the view reads it as a derived table.
// Names are case-insensitive.  A file database saves the views' texts with
// its tables and makes them again from the texts when it opens.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/datetime.h"

namespace mls::tsql {

struct ViewDef {
  std::string name;
  std::vector<std::string> columns;         // empty: the query's column names
  std::shared_ptr<const ast::Query> query;  // the view's own, not its batch's
  std::string definition;                   // CREATE VIEW ... AS query, as written
  int32_t id = 0;                           // its object id (given by add() when 0)
  DateTime created;                         // when CREATE VIEW ran (1900 for a view loaded from a file)
  bool checkOption = false;                 // WITH CHECK OPTION: a change must leave rows the view shows
};

class ViewSet {
 public:
  // The view `name` names, or nullptr.
  const ViewDef* find(const ast::ObjectName& name) const;
  void add(ViewDef view);
  bool remove(const ast::ObjectName& name);
  bool remove(std::string_view name);
  void clear() { views_.clear(); }
  // Every view, in name order.
  std::vector<const ViewDef*> all() const;
  // Adds the view a CREATE VIEW text (a saved definition) makes; SqlError when
  // the text is no such statement.
  void addDefinition(const std::string& definition);

 private:
  static std::string key(std::string_view name);
  std::map<std::string, ViewDef> views_;
  int32_t nextId_ = 1189579276;  // apart from the tables' ids, of the size the server shows
};

}  // namespace mls::tsql
