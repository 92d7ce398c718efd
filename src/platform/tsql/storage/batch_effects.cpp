#include "platform/tsql/storage/batch_effects.h"

#include <algorithm>

#include "platform/tsql/catalog/names.h"
#include "platform/tsql/engine.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql::storage {

namespace {

bool permanent(const ast::ObjectName& name) {
  return !name.isTemp();
}

// The table an UPDATE / DELETE target names: itself, or the table an alias of
// its FROM clause stands for.
const ast::ObjectName* targetTable(const ast::TableRef& ref, const std::string& alias) {
  switch (ref.kind) {
    case ast::TableRefKind::Named: {
      const auto& n = ref.as<ast::NamedTable>();
      return sameName(n.alias.empty() ? n.name.name() : n.alias, alias) ? &n.name : nullptr;
    }
    case ast::TableRefKind::Join: {
      const auto& j = ref.as<ast::JoinRef>();
      const ast::ObjectName* found = targetTable(*j.left, alias);
      return found ? found : targetTable(*j.right, alias);
    }
    case ast::TableRefKind::Derived:
      return nullptr;
  }
  return nullptr;
}

bool writesPermanentTarget(const ast::ObjectName& target, const std::vector<ast::TableRefPtr>& from) {
  if (target.parts.size() == 1) {
    for (const ast::TableRefPtr& ref : from) {
      if (const ast::ObjectName* t = targetTable(*ref, target.name())) return permanent(*t);
    }
  }
  return permanent(target);
}

bool dbccChangesPermanent(const ast::DbccStmt& d) {
  if (d.command != "CHECKIDENT" || d.args.empty()) return false;
  const ast::Expr& table = *d.args[0];
  if (table.kind == ast::ExprKind::ColumnRef) {
    const std::string& name = table.as<ast::ColumnRef>().column();
    return name.empty() || name[0] != '#';
  }
  if (table.kind == ast::ExprKind::Literal) {
    const std::string& text = table.as<ast::Literal>().text;
    return text.find('#') == std::string::npos;
  }
  return true;
}

bool changes(const ast::Stmt& s) {
  using ast::StmtKind;
  switch (s.kind) {
    case StmtKind::Select: {
      const auto& into = s.as<ast::SelectStmt>().query->firstSelect().into;
      return into && permanent(*into);
    }
    case StmtKind::Insert: {
      const auto& i = s.as<ast::InsertStmt>();
      return permanent(i.table) || i.source == ast::InsertStmt::Source::Exec;
    }
    case StmtKind::Update: {
      const auto& u = s.as<ast::UpdateStmt>();
      return writesPermanentTarget(u.target, u.from);
    }
    case StmtKind::Delete: {
      const auto& d = s.as<ast::DeleteStmt>();
      return writesPermanentTarget(d.target, d.from);
    }
    case StmtKind::Truncate:
      return permanent(s.as<ast::TruncateStmt>().table);
    case StmtKind::CreateTable:
      return permanent(s.as<ast::CreateTableStmt>().table);
    case StmtKind::DropTable: {
      const auto& tables = s.as<ast::DropTableStmt>().tables;
      return std::any_of(tables.begin(), tables.end(), permanent);
    }
    case StmtKind::AlterTable:
      return permanent(s.as<ast::AlterTableStmt>().table);
    case StmtKind::CreateIndex:
      return permanent(s.as<ast::CreateIndexStmt>().table);
    case StmtKind::DropIndex: {
      const auto& targets = s.as<ast::DropIndexStmt>().targets;
      return std::any_of(targets.begin(), targets.end(), [](const auto& t) { return permanent(t.table); });
    }
    case StmtKind::If: {
      const auto& i = s.as<ast::IfStmt>();
      return changes(*i.then) || (i.otherwise && changes(*i.otherwise));
    }
    case StmtKind::Block: {
      const auto& body = s.as<ast::BlockStmt>().body;
      return std::any_of(body.begin(), body.end(), [](const ast::StmtPtr& c) { return changes(*c); });
    }
    case StmtKind::While:
      return changes(*s.as<ast::WhileStmt>().body);
    case StmtKind::Dbcc:
      return dbccChangesPermanent(s.as<ast::DbccStmt>());
    case StmtKind::Declare:
    case StmtKind::DeclareCursor:
    case StmtKind::Open:
    case StmtKind::Fetch:
    case StmtKind::Close:
    case StmtKind::Deallocate:
    case StmtKind::SetVariable:
    case StmtKind::SetOption:
    case StmtKind::SetIdentityInsert:
    case StmtKind::SetIsolation:
    case StmtKind::Break:
    case StmtKind::Continue:
    case StmtKind::Return:
    case StmtKind::Print:
    case StmtKind::Raiserror:
    case StmtKind::BeginTran:
    case StmtKind::Commit:
      return false;
    default:  // views, EXEC, ROLLBACK (it takes back changes a save may hold)
      return true;
  }
}

}  // namespace

bool mayChangePermanentTables(const std::vector<ast::StmtPtr>& batch) {
  return std::any_of(batch.begin(), batch.end(), [](const ast::StmtPtr& s) { return changes(*s); });
}

bool mayChangePermanentTables(std::string_view batch) {
  try {
    return mayChangePermanentTables(parseBatch(batch));
  } catch (const SqlError&) {
    return false;
  }
}

bool isCheckpointBatch(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && (blank(text.back()) || text.back() == ';'))
    text.remove_suffix(1);
  return sameName(text, "CHECKPOINT");
}

}  // namespace mls::tsql::storage
