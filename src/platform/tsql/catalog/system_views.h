// The compatibility views sysobjects, sysindexes and syscolumns, computed from
// a table set as read-only tables (Table::Kind::SystemView).
//
//   sysobjects (name, id, xtype, uid, status, parent_obj, crdate, type):
//     a row per table (xtype 'U'), per PRIMARY KEY ('PK') and UNIQUE ('UQ')
//     constraint, per column default ('D'), per view ('V') and per stored
//     procedure ('P'); temporary tables under their stored names
//     ('#t___...___00000000000A').
//   sysindexes (id, indid, name, keycnt, rows, rowcnt): a row per table for its
//     heap (indid 0, name NULL) or clustered index (indid 1), and per other
//     index (indid > 1).
//   syscolumns (name, id, xtype, length, colid, colorder, prec, scale,
//     isnullable): a row per column, xtype the server's system type id.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/catalog/procedure_set.h"
#include "platform/tsql/catalog/table.h"
#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/catalog/view_set.h"
#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

bool isSystemViewName(std::string_view name);
// The view `name` (one of the three) over the tables of `set`, and the
// views and procedures when given.
std::shared_ptr<Table> buildSystemView(std::string_view name, const TableSet& set, const ViewSet* views,
                                       const ProcedureSet* procedures = nullptr);

// The server's system type id of a type (int 56, varchar 167, ...).
int systemTypeId(const SqlType& t);

// The catalog views sys.objects, sys.tables, sys.indexes, sys.columns,
// INFORMATION_SCHEMA.TABLES and INFORMATION_SCHEMA.COLUMNS (catalog_views.cpp)
// over the tables of `set` (the session's temporary tables when `tempdb`) of
// the database `database`; nullptr when `name` names none of them.
std::shared_ptr<Table> buildCatalogView(const ast::ObjectName& name, const TableSet& set, bool tempdb,
                                        std::string_view database, const ViewSet* views,
                                        const ProcedureSet* procedures = nullptr);
// INFORMATION_SCHEMA.VIEWS over the views given as (name, CREATE VIEW text):
// the text cut to 4000 characters, CHECK_OPTION 'NONE', IS_UPDATABLE 'NO'.
struct ViewText {
  std::string name;
  std::string definition;
  bool checkOption = false;
};
std::shared_ptr<Table> buildSchemaViews(const std::vector<ViewText>& views, std::string_view database);
// A stored procedure as its name and CREATE PROCEDURE text, as a file
// database keeps it.
using ProcedureText = ViewText;
bool isSchemaViewsName(const ast::ObjectName& name);
// The size in bytes of a column of type `t` as sys.columns and COL_LENGTH
// give it (-1 for the max types).
int columnMaxLength(const SqlType& t);

}  // namespace mls::tsql
