#include "platform/tsql/catalog/system_views.h"

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/catalog/undo_log.h"

namespace mls::tsql {

namespace {

Column col(std::string name, SqlType type, bool nullable = false) {
  Column c;
  c.name = std::move(name);
  c.type = type;
  c.nullable = nullable;
  return c;
}

const SqlType kSysname = SqlType::nvarchar(128);
const SqlType kChar2 = SqlType::string(TypeId::Char, 2);

Value text(std::string_view s) {
  return Value::string(s);
}
Value num(int64_t v) {
  return Value::integer(v);
}

std::shared_ptr<Table> sysobjects(const TableSet& set, const ViewSet* views, const ProcedureSet* procedures) {
  auto v = std::make_shared<Table>("sysobjects", Table::Kind::User);
  for (auto& c : {col("name", kSysname), col("id", SqlType(TypeId::Int)), col("xtype", kChar2),
                  col("uid", SqlType(TypeId::SmallInt)), col("status", SqlType(TypeId::Int)),
                  col("parent_obj", SqlType(TypeId::Int)), col("crdate", SqlType(TypeId::DateTime)),
                  col("type", kChar2)}) {
    v->addColumn(c);
  }
  UndoLog undo;
  for (const auto& t : set.tables()) {
    Value crdate = Value::dateTime(t->created());
    v->insert({text(t->storedName()), num(t->id()), text("U "), num(1), num(0), num(0), crdate, text("U ")},
              undo);
    for (const IndexDef& d : t->indexes()) {
      if (!d.isConstraint()) continue;
      std::string_view x = d.origin == IndexOrigin::PrimaryKey ? "PK" : "UQ";
      v->insert(
          {text(d.name), num(d.constraintId), text(x), num(1), num(0), num(t->id()), crdate, text("K ")},
          undo);
    }
    for (const Column& c : t->columns()) {
      if (c.defaultId == 0) continue;
      v->insert({text(c.defaultName), num(c.defaultId), text("D "), num(1), num(0), num(t->id()), crdate,
                 text("D ")},
                undo);
    }
  }
  for (const ViewDef* view : views ? views->all() : std::vector<const ViewDef*>{}) {
    v->insert({text(view->name), num(view->id), text("V "), num(1), num(0), num(0),
               Value::dateTime(view->created), text("V ")},
              undo);
  }
  for (const auto& p : procedures ? procedures->all() : std::vector<std::shared_ptr<const ProcedureDef>>{}) {
    v->insert({text(p->name), num(p->id), text("P "), num(1), num(0), num(0), Value::dateTime(p->created),
               text("P ")},
              undo);
  }
  undo.commit();
  v->makeReadOnly();
  return v;
}

std::shared_ptr<Table> sysindexes(const TableSet& set) {
  auto v = std::make_shared<Table>("sysindexes", Table::Kind::User);
  for (auto& c : {col("id", SqlType(TypeId::Int)), col("indid", SqlType(TypeId::SmallInt)),
                  col("name", kSysname, true), col("keycnt", SqlType(TypeId::SmallInt)),
                  col("rows", SqlType(TypeId::Int)), col("rowcnt", SqlType(TypeId::BigInt))}) {
    v->addColumn(c);
  }
  UndoLog undo;
  for (const auto& t : set.tables()) {
    auto rows = static_cast<int64_t>(t->rowCount());
    if (!t->clusteredIndex()) v->insert({num(t->id()), num(0), Value(), num(0), num(rows), num(rows)}, undo);
    const IndexDef* clustered = t->clusteredIndex();
    if (clustered) {
      v->insert({num(t->id()), num(1), text(clustered->name),
                 num(static_cast<int64_t>(clustered->keys.size())), num(rows), num(rows)},
                undo);
    }
    for (const IndexDef& d : t->indexes()) {
      if (d.clustered) continue;
      v->insert({num(t->id()), num(d.indid), text(d.name), num(static_cast<int64_t>(d.keys.size())),
                 num(rows), num(rows)},
                undo);
    }
  }
  undo.commit();
  v->makeReadOnly();
  return v;
}

std::shared_ptr<Table> syscolumns(const TableSet& set) {
  auto v = std::make_shared<Table>("syscolumns", Table::Kind::User);
  for (auto& c :
       {col("name", kSysname), col("id", SqlType(TypeId::Int)), col("xtype", SqlType(TypeId::TinyInt)),
        col("length", SqlType(TypeId::SmallInt)), col("colid", SqlType(TypeId::SmallInt)),
        col("colorder", SqlType(TypeId::SmallInt)), col("prec", SqlType(TypeId::SmallInt), true),
        col("scale", SqlType(TypeId::Int), true), col("isnullable", SqlType(TypeId::Int))}) {
    v->addColumn(c);
  }
  UndoLog undo;
  for (const auto& t : set.tables()) {
    for (size_t i = 0; i < t->columns().size(); ++i) {
      const Column& c = t->column(i);
      const SqlType& ty = c.type;
      int64_t length = ty.length;
      Value prec = num(ty.precision), scale = num(ty.scale);
      if (ty.isString()) {
        if (ty.length == SqlType::kMax) {
          length = -1;
        } else if (ty.isUnicode()) {
          length = 2 * ty.length;
        }
        prec = ty.length == SqlType::kMax ? num(-1) : num(ty.length);
        scale = Value();
      } else if (ty.isApproximate()) {
        scale = Value();
      }
      auto colid = num(static_cast<int64_t>(i + 1));
      v->insert({text(c.name), num(t->id()), num(systemTypeId(ty)), num(length), colid, colid, prec, scale,
                 num(c.nullable ? 1 : 0)},
                undo);
    }
  }
  undo.commit();
  v->makeReadOnly();
  return v;
}

}  // namespace

int systemTypeId(const SqlType& t) {
  switch (t.id) {
    case TypeId::Bit:
      return 104;
    case TypeId::TinyInt:
      return 48;
    case TypeId::SmallInt:
      return 52;
    case TypeId::Int:
      return 56;
    case TypeId::BigInt:
      return 127;
    case TypeId::Decimal:
      return 106;
    case TypeId::Float:
      return 62;
    case TypeId::Real:
      return 59;
    case TypeId::Money:
      return 60;
    case TypeId::Char:
      return 175;
    case TypeId::VarChar:
      return 167;
    case TypeId::NChar:
      return 239;
    case TypeId::NVarChar:
      return 231;
    case TypeId::DateTime:
      return 61;
    case TypeId::SmallDateTime:
      return 58;
    case TypeId::Date:
      return 40;
    case TypeId::Null:
      return 0;
  }
  return 0;
}

bool isSystemViewName(std::string_view name) {
  return sameName(name, "sysobjects") || sameName(name, "sysindexes") || sameName(name, "syscolumns");
}

std::shared_ptr<Table> buildSystemView(std::string_view name, const TableSet& set, const ViewSet* views,
                                       const ProcedureSet* procedures) {
  if (sameName(name, "sysobjects")) return sysobjects(set, views, procedures);
  if (sameName(name, "sysindexes")) return sysindexes(set);
  if (sameName(name, "syscolumns")) return syscolumns(set);
  return nullptr;
}

}  // namespace mls::tsql
