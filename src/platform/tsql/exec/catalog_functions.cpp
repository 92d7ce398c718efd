#include "platform/tsql/exec/catalog_functions.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

const SqlType kName = SqlType::nvarchar(SqlType::kMax);

std::string_view trimmed(const Value& v) {
  return trimRightSpaces(v.asString());
}

Value scopeIdentity(const std::vector<Value>&, const EvalContext& c) {
  return c.env->session->scope()->identity;
}

// IDENT_CURRENT('t'): the last identity value handed out (the seed before the first).
Value identCurrent(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull()) return Value();
  std::shared_ptr<Table> t = tableNamed(*c.env->session, trimmed(args[0]));
  if (!t || !t->identityColumn()) return Value();
  return Value::decimal(Decimal128::fromInt(t->identityCurrent()));
}

// COL_LENGTH('t', 'c'): the column's size in bytes (-1 for max types).
Value colLength(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull() || args[1].isNull()) return Value();
  std::shared_ptr<Table> t = tableNamed(*c.env->session, trimmed(args[0]));
  if (!t) return Value();
  std::optional<size_t> i = t->findColumn(trimmed(args[1]));
  return i ? Value::integer(columnMaxLength(t->column(*i).type)) : Value();
}

// The kinds of object of the database, as bits of a set.
enum ObjectKind : unsigned {
  kTable = 1,
  kView = 2,
  kProcedure = 4,
  kPrimaryKey = 8,
  kUniqueKey = 16,
  kDefault = 32,
  kKeys = kPrimaryKey | kUniqueKey,
  kConstraints = kKeys | kDefault,
  kModules = kView | kProcedure,
  kAnyObject = kTable | kModules | kConstraints,
};

// An object as OBJECTPROPERTY sees it: its kind, and its table (a
// constraint's or a default's too) or its key.
struct ObjectFacts {
  ObjectKind kind;
  const Table* table = nullptr;
  const IndexDef* key = nullptr;
};

std::optional<ObjectFacts> objectFacts(DatabaseImpl& db, int32_t id) {
  if (std::shared_ptr<Table> t = db.permanent().findById(id)) return ObjectFacts{kTable, t.get()};
  for (const auto& t : db.permanent().tables()) {
    for (const IndexDef& d : t->indexes()) {
      if (d.isConstraint() && d.constraintId == id)
        return ObjectFacts{d.origin == IndexOrigin::PrimaryKey ? kPrimaryKey : kUniqueKey, t.get(), &d};
    }
    for (const Column& col : t->columns()) {
      if (col.defaultId == id) return ObjectFacts{kDefault, t.get()};
    }
  }
  for (const ViewDef* v : db.views().all()) {
    if (v->id == id) return ObjectFacts{kView};
  }
  for (const auto& p : db.procedures().all()) {
    if (p->id == id) return ObjectFacts{kProcedure};
  }
  return std::nullopt;
}

bool never(const ObjectFacts&) {
  return false;
}
bool always(const ObjectFacts&) {
  return true;
}
template <unsigned kinds>
bool isKind(const ObjectFacts& o) {
  return (o.kind & kinds) != 0;
}
template <IndexOrigin origin>
bool hasKey(const ObjectFacts& o) {
  const auto& indexes = o.table->indexes();
  return std::any_of(indexes.begin(), indexes.end(), [](const IndexDef& d) { return d.origin == origin; });
}

// An OBJECTPROPERTY property the engine answers (its name compares without
// case): 1 or 0 for an object of a kind it applies to, NULL for another.
struct Property {
  std::string_view name;
  unsigned appliesTo;
  bool (*answer)(const ObjectFacts&);
};

const Property kProperties[] = {
    {"IsTable", kAnyObject, isKind<kTable>},
    {"IsUserTable", kAnyObject, isKind<kTable>},
    {"IsView", kAnyObject, isKind<kView>},
    {"IsProcedure", kAnyObject, isKind<kProcedure>},
    {"IsPrimaryKey", kAnyObject, isKind<kPrimaryKey>},
    {"IsUniqueCnst", kAnyObject, isKind<kUniqueKey>},
    {"IsDefaultCnst", kAnyObject, isKind<kDefault>},
    {"IsConstraint", kAnyObject, isKind<kConstraints>},
    {"IsExecuted", kAnyObject, isKind<kModules>},
    // Every object is the user's, owned by dbo (1) in the schema dbo (1).
    {"OwnerId", kAnyObject, always},
    {"SchemaId", kAnyObject, always},
    {"IsMSShipped", kAnyObject, never},
    {"IsSystemTable", kAnyObject, never},
    // Kinds of object the engine has none of.
    {"IsCheckCnst", kAnyObject, never},
    {"IsForeignKey", kAnyObject, never},
    {"IsTrigger", kAnyObject, never},
    {"IsRule", kAnyObject, never},
    {"IsDefault", kAnyObject, never},
    {"IsExtendedProc", kAnyObject, never},
    {"IsReplProc", kAnyObject, never},
    {"IsQueue", kAnyObject, never},
    // ANSI_NULLS and QUOTED_IDENTIFIER are always ON (SET refuses OFF).
    {"IsAnsiNullsOn", kTable | kModules, always},
    {"IsQuotedIdentOn", kTable | kModules | kDefault, always},
    {"ExecIsAnsiNullsOn", kModules, always},
    {"ExecIsQuotedIdentOn", kModules, always},
    {"IsEncrypted", kTable | kModules, never},
    {"IsSchemaBound", kView, never},
    {"ExecIsStartup", kProcedure, never},
    {"IsIndexed", kTable | kView,
     [](const ObjectFacts& o) { return o.table && !o.table->indexes().empty(); }},
    {"CnstIsClustKey", kConstraints,
     [](const ObjectFacts& o) { return o.kind == kPrimaryKey && o.key->clustered; }},
    {"CnstIsNonclustKey", kConstraints, [](const ObjectFacts& o) { return o.key && !o.key->clustered; }},
    {"CnstIsColumn", kConstraints, isKind<kDefault>},
    {"CnstIsDisabled", kConstraints, never},
    {"CnstIsNotTrusted", kConstraints, never},
    {"CnstIsNotRepl", kConstraints, never},
    {"CnstIsDeleteCascade", kConstraints, never},
    {"CnstIsUpdateCascade", kConstraints, never},
    {"TableHasIdentity", kTable, [](const ObjectFacts& o) { return o.table->identityColumn().has_value(); }},
    {"TableHasPrimaryKey", kTable, hasKey<IndexOrigin::PrimaryKey>},
    {"TableHasUniqueCnst", kTable, hasKey<IndexOrigin::UniqueConstraint>},
    {"TableHasIndex", kTable, [](const ObjectFacts& o) { return !o.table->indexes().empty(); }},
    {"TableHasClustIndex", kTable, [](const ObjectFacts& o) { return o.table->clusteredIndex() != nullptr; }},
    {"TableHasNonclustIndex", kTable,
     [](const ObjectFacts& o) {
       const auto& indexes = o.table->indexes();
       return std::any_of(indexes.begin(), indexes.end(), [](const IndexDef& d) { return !d.clustered; });
     }},
    {"TableHasDefaultCnst", kTable,
     [](const ObjectFacts& o) {
       const auto& columns = o.table->columns();
       return std::any_of(columns.begin(), columns.end(), [](const Column& c) { return c.defaultId != 0; });
     }},
    // No CHECK or FOREIGN KEY constraints, triggers, timestamp or
    // ROWGUIDCOL columns, column sets, history or memory-optimized tables.
    {"TableHasCheckCnst", kTable, never},
    {"TableHasForeignKey", kTable, never},
    {"TableHasForeignRef", kTable, never},
    {"TableHasTimestamp", kTable, never},
    {"TableHasRowGuidCol", kTable, never},
    {"TableHasColumnSet", kTable, never},
    {"TableTemporalType", kTable, never},
    {"TableIsFake", kTable, never},
    {"TableIsMemoryOptimized", kTable, never},
    {"TableHasDeleteTrigger", kTable, never},
    {"TableHasInsertTrigger", kTable, never},
    {"TableHasUpdateTrigger", kTable, never},
    {"HasAfterTrigger", kTable | kView, never},
    {"HasDeleteTrigger", kTable | kView, never},
    {"HasInsertTrigger", kTable | kView, never},
    {"HasInsteadOfTrigger", kTable | kView, never},
    {"HasUpdateTrigger", kTable | kView, never},
};

// Properties SQL Server has that the engine cannot answer truly (text
// columns are varchar(max) here; no full-text indexes, determinism or
// storage options are kept): 40517.  A property of triggers or functions
// only is NULL for every object of the engine, as an unknown name is.
constexpr std::string_view kUnanswered[] = {"IsDeterministic",
                                            "IsIndexable",
                                            "IsSystemVerified",
                                            "TableHasTextImage",
                                            "TableTextInRowLimit",
                                            "TableDeleteTrigger",
                                            "TableInsertTrigger",
                                            "TableUpdateTrigger",
                                            "TableDeleteTriggerCount",
                                            "TableInsertTriggerCount",
                                            "TableUpdateTriggerCount",
                                            "TableHasVarDecimalStorageFormat",
                                            "TableIsLockedOnBulkLoad",
                                            "TableIsPinned",
                                            "TableHasActiveFulltextIndex",
                                            "TableFulltextCatalogId",
                                            "TableFullTextBackgroundUpdateIndexOn",
                                            "TableFulltextChangeTrackingOn",
                                            "TableFulltextDocsProcessed",
                                            "TableFulltextFailCount",
                                            "TableFulltextItemCount",
                                            "TableFulltextKeyColumn",
                                            "TableFulltextPendingChanges",
                                            "TableFulltextPopulateStatus",
                                            "TableFullTextMergeStatus",
                                            "ExecIsWithNativeCompilation"};

// OBJECTPROPERTY(id, property) for an object of the database (a temporary
// table's id is tempdb's: NULL); NULL for an unknown id or property, 40517
// for a property the engine cannot answer.
Value objectProperty(const std::vector<Value>& args, const EvalContext& c) {
  if (args[1].isNull()) return Value();
  const std::string_view name = trimmed(args[1]);
  for (std::string_view unanswered : kUnanswered) {
    if (compareText(name, unanswered) == 0)
      throwSqlError(40517, {"The OBJECTPROPERTY property '" + std::string(name) + "'"});
  }
  const Property* p = std::find_if(std::begin(kProperties), std::end(kProperties),
                                   [&](const Property& q) { return compareText(name, q.name) == 0; });
  if (p == std::end(kProperties) || args[0].isNull()) return Value();
  std::optional<ObjectFacts> o =
      objectFacts(c.env->session->database(), static_cast<int32_t>(args[0].asInt()));
  if (!o || (o->kind & p->appliesTo) == 0) return Value();
  return Value::integer(p->answer(*o) ? 1 : 0);
}

// OBJECT_ID(name [, type]) against the running session's catalog.
Value objectIdOf(const std::vector<Value>& args, const EvalContext& c) {
  if (args[0].isNull()) return Value();
  std::string_view type = args.size() > 1 && !args[1].isNull() ? args[1].asString() : std::string_view{};
  std::optional<int32_t> id =
      c.env->session->catalog().objectId(trimRightSpaces(args[0].asString()), trimRightSpaces(type));
  return id ? Value::integer(*id) : Value();
}

// DB_NAME([id]): the session's name for its database (its id is 1).
Value dbName(const std::vector<Value>& args, const EvalContext& c) {
  if (!args.empty() && (args[0].isNull() || args[0].asInt() != 1)) return Value();
  return Value::string(c.env->session->databaseName());
}

}  // namespace

const SessionFunction* SessionImpl::sessionFunction(std::string_view upperName) const {
  static const std::unordered_map<std::string_view, SessionFunction> functions = {
      {"OBJECT_ID", {&objectIdOf, SqlType(TypeId::Int), {kName, kName}, 1}},
      {"SCOPE_IDENTITY", {&scopeIdentity, SqlType::decimal(38, 0), {}, 0}},
      {"IDENT_CURRENT", {&identCurrent, SqlType::decimal(38, 0), {kName}, 1}},
      {"COL_LENGTH", {&colLength, SqlType(TypeId::SmallInt), {kName, kName}, 2}},
      {"OBJECTPROPERTY", {&objectProperty, SqlType(TypeId::Int), {SqlType(TypeId::Int), kName}, 2}},
      {"DB_NAME", {&dbName, SqlType::nvarchar(128), {SqlType(TypeId::Int)}, 0}},
  };
  auto it = functions.find(upperName);
  return it == functions.end() ? nullptr : &it->second;
}

std::shared_ptr<Table> tableNamed(SessionImpl& session, std::string_view text) {
  Catalog catalog = session.catalog();
  std::optional<int32_t> id = catalog.objectId(text, "U");
  if (!id) return nullptr;
  if (std::shared_ptr<Table> t = catalog.permanent().findById(*id)) return t;
  return catalog.temporary().findById(*id);
}

}  // namespace mls::tsql
