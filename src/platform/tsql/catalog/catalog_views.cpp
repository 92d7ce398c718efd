// The catalog views sys.objects, sys.tables, sys.indexes, sys.columns,
// INFORMATION_SCHEMA.TABLES, COLUMNS and VIEWS, computed from a table set (or
// the views' texts) as read-only tables.  They carry the columns callers commonly
// read, in the server's order.
#include <string>
#include <utility>
#include <vector>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

const SqlType kSysname = SqlType::nvarchar(128);
const SqlType kInt(TypeId::Int);
const SqlType kBit(TypeId::Bit);
const SqlType kTinyInt(TypeId::TinyInt);
const SqlType kSmallInt(TypeId::SmallInt);
const SqlType kDateTime(TypeId::DateTime);

Value text(std::string_view s) {
  return Value::string(s);
}
Value num(int64_t v) {
  return Value::integer(v);
}
Value flag(bool b) {
  return Value::boolean(b);
}

// An empty view with the given columns; fill() inserts rows, done() seals it.
class ViewBuilder {
 public:
  ViewBuilder(std::string name, const std::vector<std::pair<const char*, SqlType>>& columns,
              const std::vector<const char*>& nullable = {})
      : view_(std::make_shared<Table>(std::move(name), Table::Kind::User)) {
    for (const auto& [n, t] : columns) {
      Column c;
      c.name = n;
      c.type = t;
      c.nullable = false;
      for (const char* x : nullable)
        c.nullable = c.nullable || sameName(x, n);
      view_->addColumn(std::move(c));
    }
  }
  void add(Row row) { view_->insert(std::move(row), undo_); }
  std::shared_ptr<Table> done() {
    undo_.commit();
    view_->makeReadOnly();
    return view_;
  }

 private:
  std::shared_ptr<Table> view_;
  UndoLog undo_;
};

// The columns sys.objects and sys.tables share, for one object.
Row objectRow(std::string_view name, int32_t id, int32_t parent, std::string_view type,
              std::string_view typeDesc, DateTime created) {
  Value when = Value::dateTime(created);
  return {text(name),     num(id), Value(), num(1),      num(parent), text(type),
          text(typeDesc), when,    when,    flag(false), flag(false), flag(false)};
}

std::vector<std::pair<const char*, SqlType>> objectColumns() {
  static const SqlType kChar2 = SqlType::string(TypeId::Char, 2);
  static const SqlType kDesc = SqlType::nvarchar(60);
  return {{"name", kSysname},      {"object_id", kInt},        {"principal_id", kInt},
          {"schema_id", kInt},     {"parent_object_id", kInt}, {"type", kChar2},
          {"type_desc", kDesc},    {"create_date", kDateTime}, {"modify_date", kDateTime},
          {"is_ms_shipped", kBit}, {"is_published", kBit},     {"is_schema_published", kBit}};
}

std::shared_ptr<Table> sysObjects(const TableSet& set, bool tablesOnly, const ViewSet* views,
                                  const ProcedureSet* procedures) {
  ViewBuilder v(tablesOnly ? "tables" : "objects", objectColumns(), {"principal_id"});
  for (const auto& t : set.tables()) {
    v.add(objectRow(t->storedName(), t->id(), 0, "U ", "USER_TABLE", t->created()));
    if (tablesOnly) continue;
    for (const IndexDef& d : t->indexes()) {
      if (!d.isConstraint()) continue;
      bool pk = d.origin == IndexOrigin::PrimaryKey;
      v.add(objectRow(d.name, d.constraintId, t->id(), pk ? "PK" : "UQ",
                      pk ? "PRIMARY_KEY_CONSTRAINT" : "UNIQUE_CONSTRAINT", t->created()));
    }
    for (const Column& c : t->columns()) {
      if (c.defaultId != 0) {
        v.add(objectRow(c.defaultName, c.defaultId, t->id(), "D ", "DEFAULT_CONSTRAINT", t->created()));
      }
    }
  }
  for (const ViewDef* view : views && !tablesOnly ? views->all() : std::vector<const ViewDef*>{})
    v.add(objectRow(view->name, view->id, 0, "V ", "VIEW", view->created));
  for (const auto& p :
       procedures && !tablesOnly ? procedures->all() : std::vector<std::shared_ptr<const ProcedureDef>>{})
    v.add(objectRow(p->name, p->id, 0, "P ", "SQL_STORED_PROCEDURE", p->created));
  return v.done();
}

// sys.sql_modules: the text of each view and procedure.
std::shared_ptr<Table> sqlModules(const ViewSet* views, const ProcedureSet* procedures) {
  ViewBuilder v("sql_modules", {{"object_id", kInt},
                                {"definition", SqlType::nvarchar(SqlType::kMax)},
                                {"uses_ansi_nulls", kBit},
                                {"uses_quoted_identifier", kBit}});
  for (const ViewDef* view : views ? views->all() : std::vector<const ViewDef*>{})
    v.add({num(view->id), text(view->definition), flag(true), flag(true)});
  for (const auto& p : procedures ? procedures->all() : std::vector<std::shared_ptr<const ProcedureDef>>{})
    v.add({num(p->id), text(p->definition), flag(true), flag(true)});
  return v.done();
}

std::shared_ptr<Table> sysIndexes(const TableSet& set) {
  ViewBuilder v("indexes",
                {{"object_id", kInt},
                 {"name", kSysname},
                 {"index_id", kInt},
                 {"type", kTinyInt},
                 {"type_desc", SqlType::nvarchar(60)},
                 {"is_unique", kBit},
                 {"is_primary_key", kBit},
                 {"is_unique_constraint", kBit}},
                {"name"});
  for (const auto& t : set.tables()) {
    if (!t->clusteredIndex()) {
      v.add({num(t->id()), Value(), num(0), num(0), text("HEAP"), flag(false), flag(false), flag(false)});
    }
    auto add = [&](const IndexDef& d, int id) {
      v.add({num(t->id()), text(d.name), num(id), num(d.clustered ? 1 : 2),
             text(d.clustered ? "CLUSTERED" : "NONCLUSTERED"), flag(d.unique),
             flag(d.origin == IndexOrigin::PrimaryKey), flag(d.origin == IndexOrigin::UniqueConstraint)});
    };
    if (const IndexDef* c = t->clusteredIndex()) add(*c, 1);
    for (const IndexDef& d : t->indexes()) {
      if (!d.clustered) add(d, d.indid);
    }
  }
  return v.done();
}

// Precision and scale as sys.columns shows them (0 where they do not apply).
std::pair<int, int> precisionScale(const SqlType& t) {
  switch (t.id) {
    case TypeId::Bit:
      return {1, 0};
    case TypeId::TinyInt:
      return {3, 0};
    case TypeId::SmallInt:
      return {5, 0};
    case TypeId::Int:
      return {10, 0};
    case TypeId::BigInt:
      return {19, 0};
    case TypeId::Decimal:
      return {t.precision, t.scale};
    case TypeId::Float:
      return {53, 0};
    case TypeId::Real:
      return {24, 0};
    case TypeId::Money:
      return {19, 4};
    case TypeId::DateTime:
      return {23, 3};
    case TypeId::SmallDateTime:
      return {16, 0};
    case TypeId::Date:
      return {10, 0};
    default:
      return {0, 0};
  }
}

std::shared_ptr<Table> sysColumns(const TableSet& set) {
  ViewBuilder v("columns",
                {{"object_id", kInt},
                 {"name", kSysname},
                 {"column_id", kInt},
                 {"system_type_id", kTinyInt},
                 {"user_type_id", kInt},
                 {"max_length", kSmallInt},
                 {"precision", kTinyInt},
                 {"scale", kTinyInt},
                 {"collation_name", kSysname},
                 {"is_nullable", kBit},
                 {"is_identity", kBit},
                 {"is_computed", kBit},
                 {"default_object_id", kInt}},
                {"collation_name"});
  for (const auto& t : set.tables()) {
    for (size_t i = 0; i < t->columns().size(); ++i) {
      const Column& c = t->column(i);
      auto [p, s] = precisionScale(c.type);
      int type = systemTypeId(c.type);
      v.add({num(t->id()), text(c.name), num(static_cast<int64_t>(i + 1)), num(type), num(type),
             num(columnMaxLength(c.type)), num(p), num(s),
             c.type.isString() ? text("SQL_Latin1_General_CP1_CI_AS") : Value(), flag(c.nullable),
             flag(c.identity.has_value()), flag(false), num(c.defaultId)});
    }
  }
  return v.done();
}

std::shared_ptr<Table> schemaTables(const TableSet& set, std::string_view catalog, const ViewSet* views) {
  ViewBuilder v("TABLES", {{"TABLE_CATALOG", kSysname},
                           {"TABLE_SCHEMA", kSysname},
                           {"TABLE_NAME", kSysname},
                           {"TABLE_TYPE", SqlType::varchar(10)}});
  for (const auto& t : set.tables())
    v.add({text(catalog), text("dbo"), text(t->storedName()), text("BASE TABLE")});
  for (const ViewDef* view : views ? views->all() : std::vector<const ViewDef*>{})
    v.add({text(catalog), text("dbo"), text(view->name), text("VIEW")});
  return v.done();
}

std::shared_ptr<Table> schemaColumns(const TableSet& set, std::string_view catalog) {
  ViewBuilder v("COLUMNS",
                {{"TABLE_CATALOG", kSysname},
                 {"TABLE_SCHEMA", kSysname},
                 {"TABLE_NAME", kSysname},
                 {"COLUMN_NAME", kSysname},
                 {"ORDINAL_POSITION", kInt},
                 {"IS_NULLABLE", SqlType::varchar(3)},
                 {"DATA_TYPE", kSysname},
                 {"CHARACTER_MAXIMUM_LENGTH", kInt},
                 {"CHARACTER_OCTET_LENGTH", kInt},
                 {"NUMERIC_PRECISION", kTinyInt},
                 {"NUMERIC_PRECISION_RADIX", kSmallInt},
                 {"NUMERIC_SCALE", kInt},
                 {"DATETIME_PRECISION", kSmallInt}},
                {"CHARACTER_MAXIMUM_LENGTH", "CHARACTER_OCTET_LENGTH", "NUMERIC_PRECISION",
                 "NUMERIC_PRECISION_RADIX", "NUMERIC_SCALE", "DATETIME_PRECISION"});
  for (const auto& t : set.tables()) {
    for (size_t i = 0; i < t->columns().size(); ++i) {
      const Column& c = t->column(i);
      const SqlType& ty = c.type;
      std::string type = ty.typeName();
      type = type.substr(0, type.find('('));
      Value chars, octets, precision, radix, scale, datetime;
      if (ty.isString()) {
        chars = num(ty.length);
        octets = num(columnMaxLength(ty));
      } else if (ty.isNumeric() && ty.id != TypeId::Bit) {
        auto [p, s] = precisionScale(ty);
        precision = num(p);
        radix = num(ty.isApproximate() ? 2 : 10);
        if (!ty.isApproximate()) scale = num(s);
      } else if (ty.isDateTime()) {
        datetime = num(precisionScale(ty).second);
      }
      v.add({text(catalog), text("dbo"), text(t->storedName()), text(c.name),
             num(static_cast<int64_t>(i + 1)), text(c.nullable ? "YES" : "NO"), text(type), chars, octets,
             precision, radix, scale, datetime});
    }
  }
  return v.done();
}

}  // namespace

bool isSchemaViewsName(const ast::ObjectName& name) {
  return sameName(name.qualifier(1), "INFORMATION_SCHEMA") && sameName(name.name(), "VIEWS") &&
         !sameName(name.qualifier(2), "tempdb");
}

std::shared_ptr<Table> buildSchemaViews(const std::vector<ViewText>& views, std::string_view database) {
  ViewBuilder v("VIEWS",
                {{"TABLE_CATALOG", kSysname},
                 {"TABLE_SCHEMA", kSysname},
                 {"TABLE_NAME", kSysname},
                 {"VIEW_DEFINITION", SqlType::nvarchar(4000)},
                 {"CHECK_OPTION", SqlType::varchar(7)},
                 {"IS_UPDATABLE", SqlType::varchar(2)}},
                {"VIEW_DEFINITION"});
  for (const ViewText& view : views) {
    v.add({text(database), text("dbo"), text(view.name), text(utf8Substr(view.definition, 0, 4000)),
           text(view.checkOption ? "CASCADE" : "NONE"), text("NO")});
  }
  return v.done();
}

int columnMaxLength(const SqlType& t) {
  if (t.isString()) {
    if (t.length == SqlType::kMax) return -1;
    return t.isUnicode() ? 2 * t.length : t.length;
  }
  switch (t.id) {
    case TypeId::Bit:
    case TypeId::TinyInt:
      return 1;
    case TypeId::SmallInt:
      return 2;
    case TypeId::Int:
    case TypeId::Real:
    case TypeId::SmallDateTime:
      return 4;
    case TypeId::BigInt:
    case TypeId::Float:
    case TypeId::Money:
    case TypeId::DateTime:
      return 8;
    case TypeId::Date:
      return 3;
    case TypeId::Decimal:
      return t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
    default:
      return 0;
  }
}

std::shared_ptr<Table> buildCatalogView(const ast::ObjectName& name, const TableSet& set, bool tempdb,
                                        std::string_view database, const ViewSet* views,
                                        const ProcedureSet* procedures) {
  const std::string schema = name.qualifier(1);
  const std::string& n = name.name();
  const std::string_view catalog = tempdb ? "tempdb" : database;
  if (sameName(schema, "sys")) {
    if (sameName(n, "objects")) return sysObjects(set, false, views, procedures);
    if (sameName(n, "tables")) return sysObjects(set, true, views, procedures);
    if (sameName(n, "sql_modules")) return sqlModules(views, procedures);
    if (sameName(n, "indexes")) return sysIndexes(set);
    if (sameName(n, "columns")) return sysColumns(set);
  } else if (sameName(schema, "INFORMATION_SCHEMA")) {
    if (sameName(n, "TABLES")) return schemaTables(set, catalog, views);
    if (sameName(n, "COLUMNS")) return schemaColumns(set, catalog);
  }
  return nullptr;
}

}  // namespace mls::tsql
