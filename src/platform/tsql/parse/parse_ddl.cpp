// Data definition: CREATE / DROP / ALTER TABLE, CREATE / DROP INDEX, CREATE /
// DROP VIEW, CREATE / ALTER / DROP PROCEDURE, TRUNCATE.
#include <algorithm>

#include "platform/common/ascii_text.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/expr_children.h"
#include "platform/tsql/parse/parser_impl.h"

namespace mls::tsql {

using namespace ast;

namespace {

// Objects T-SQL creates, alters or drops that the engine does not have.
constexpr std::string_view kUnsupportedObjects[] = {
    "FUNCTION", "TRIGGER", "SCHEMA",     "DATABASE", "TYPE",  "SYNONYM", "SEQUENCE",
    "RULE",     "DEFAULT", "STATISTICS", "USER",     "LOGIN", "ROLE",    "ASSEMBLY"};

// A column's DEFAULT is a constant expression, kept with the table: a column
// or a variable (128) or a subquery (1046) in it is refused where the
// statement is read, as SQL Server refuses them when it compiles the batch.
void refuseInDefault(const Expr& e) {
  switch (e.kind) {
    case ExprKind::ColumnRef:
      throwSqlError(128, {e.as<ColumnRef>().column()}, e.pos.line);
    case ExprKind::Variable:
      throwSqlError(128, {e.as<Variable>().name}, e.pos.line);
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Quantified:
    case ExprKind::Subquery:
      throwSqlError(1046, {}, e.pos.line);
    default:
      forEachChild(e, [](const Expr& c) { refuseInDefault(c); });
  }
}

}  // namespace

void Parser::refuseObjectKind(std::string_view verb) const {
  for (std::string_view kind : kUnsupportedObjects) {
    if (isKeywordOrWord(kind)) unsupported(std::string(verb) + " " + std::string(kind));
  }
}

StmtPtr Parser::createStatement() {
  Pos at = pos();
  const size_t start = peek().offset;
  expectKeyword("CREATE");
  if (isKeyword("OR") && isKeyword("ALTER", 1)) unsupported("CREATE OR ALTER");
  if (acceptKeyword("PROCEDURE") || acceptKeyword("PROC")) return createProcedure(at, start, false);
  refuseObjectKind("CREATE");
  if (acceptKeyword("TABLE")) return createTable(at);
  if (acceptKeyword("VIEW")) return createView(at, start);
  if (isKeyword("UNIQUE") || isKeyword("CLUSTERED") || isKeyword("NONCLUSTERED") || isKeyword("INDEX")) {
    return createIndex(at);
  }
  fail();
}

StmtPtr Parser::createTable(Pos at) {
  auto s = std::make_unique<CreateTableStmt>(at);
  s->table = objectName();
  expectSymbol("(");
  do {
    if (startsConstraint())
      s->constraints.push_back(tableConstraint());
    else
      s->columns.push_back(columnDef(s->constraints));
  } while (acceptSymbol(","));
  expectSymbol(")");
  fileGroup();
  if (acceptWord("TEXTIMAGE_ON")) {
    if (!isName() && !isKeyword("PRIMARY")) fail();
    next();
  }
  return s;
}

bool Parser::startsConstraint() const {
  return isKeyword("CONSTRAINT") || isKeyword("PRIMARY") || isKeyword("UNIQUE") || isKeyword("CHECK") ||
         isKeyword("FOREIGN");
}

void Parser::refuseConstraintKind() const {
  if (isKeyword("CHECK")) unsupported("A CHECK constraint");
  if (isKeyword("REFERENCES") || isKeyword("FOREIGN")) unsupported("A FOREIGN KEY constraint");
  if (isKeyword("DEFAULT")) unsupported("ALTER TABLE ... ADD CONSTRAINT ... DEFAULT");
}

void Parser::keyKind(KeyConstraint& k) {
  refuseConstraintKind();
  if (acceptKeyword("PRIMARY")) {
    expectKeyword("KEY");
    k.primaryKey = true;
  } else {
    expectKeyword("UNIQUE");
  }
  if (acceptKeyword("CLUSTERED"))
    k.clustered = true;
  else if (acceptKeyword("NONCLUSTERED"))
    k.clustered = false;
}

ColumnDef Parser::columnDef(std::vector<KeyConstraint>& keys) {
  ColumnDef c;
  c.pos = pos();
  c.name = name();
  if (isKeyword("AS")) unsupported("A computed column");
  c.type = typeName();
  while (true) {
    Pos at = pos();
    std::string constraintName;
    if (acceptKeyword("CONSTRAINT")) constraintName = name();
    if (isKeyword("PRIMARY") || isKeyword("UNIQUE")) {
      KeyConstraint k;
      k.pos = at;
      k.name = std::move(constraintName);
      keyKind(k);
      k.columns.push_back({c.name, false});
      skipWithOptions();
      fileGroup();
      keys.push_back(std::move(k));
    } else if (acceptKeyword("DEFAULT")) {
      c.defaultValue = value();
      refuseInDefault(*c.defaultValue);
      c.defaultName = std::move(constraintName);
    } else if (isKeyword("CHECK") || isKeyword("REFERENCES") || isKeyword("FOREIGN")) {
      refuseConstraintKind();
    } else if (!constraintName.empty()) {
      fail();
    } else if (isKeyword("NOT") && isKeyword("NULL", 1)) {
      next();
      next();
      c.nullable = false;
    } else if (acceptKeyword("NULL")) {
      c.nullable = true;
    } else if (acceptKeyword("IDENTITY")) {
      Identity id;
      if (acceptSymbol("(")) {
        id.seed = signedInteger();
        expectSymbol(",");
        id.increment = signedInteger();
        expectSymbol(")");
      }
      c.identity = id;
    } else {
      return c;
    }
  }
}

KeyConstraint Parser::tableConstraint() {
  KeyConstraint k;
  k.pos = pos();
  if (acceptKeyword("CONSTRAINT")) k.name = name();
  keyKind(k);
  expectSymbol("(");
  k.columns = indexColumns();
  skipWithOptions();
  fileGroup();
  return k;
}

std::vector<IndexColumn> Parser::indexColumns() {
  std::vector<IndexColumn> columns;
  do {
    IndexColumn c;
    c.name = name();
    if (acceptKeyword("DESC"))
      c.descending = true;
    else
      acceptKeyword("ASC");
    columns.push_back(std::move(c));
  } while (acceptSymbol(","));
  expectSymbol(")");
  return columns;
}

void Parser::fileGroup() {
  if (!acceptKeyword("ON")) return;
  if (!isName() && !isKeyword("PRIMARY") && !isKeyword("DEFAULT")) fail();
  next();
}

StmtPtr Parser::createIndex(Pos at) {
  auto s = std::make_unique<CreateIndexStmt>(at);
  s->unique = acceptKeyword("UNIQUE");
  if (acceptKeyword("CLUSTERED"))
    s->clustered = true;
  else
    acceptKeyword("NONCLUSTERED");
  expectKeyword("INDEX");
  s->name = name();
  expectKeyword("ON");
  s->table = objectName();
  expectSymbol("(");
  s->columns = indexColumns();
  if (isWord("INCLUDE")) unsupported("CREATE INDEX ... INCLUDE");
  if (isKeyword("WHERE")) unsupported("CREATE INDEX ... WHERE (filtered indexes)");
  skipWithOptions();
  fileGroup();
  return s;
}

StmtPtr Parser::createView(Pos at, size_t start) {
  auto s = std::make_unique<CreateViewStmt>(at);
  s->view = objectName();
  if (acceptSymbol("(")) s->columns = nameList();
  expectKeyword("AS");
  s->query = subquery();  // no INTO
  if (isKeyword("WITH") && isKeyword("CHECK", 1) && isKeyword("OPTION", 2)) {
    next();
    next();
    next();
    s->checkOption = true;
  }
  std::string_view text = text_.substr(start, std::min(peek().offset, text_.size()) - start);
  s->definition = std::string(text.substr(0, text.find_last_not_of(" \t\r\n") + 1));
  return s;
}

// A parameter's default: a constant (a number with its sign, money, text)
// or NULL.
ExprPtr Parser::procedureDefault() {
  if (isSymbol("-") || isSymbol("+")) return signedNumber();
  if (!isConstant(peek().kind) && !isKeyword("NULL")) fail();
  return primary(false);
}

// At + or -: the number after it, negated for -.
ExprPtr Parser::signedNumber() {
  Pos at = pos();
  bool minus = next().text == "-";
  TokenKind k = peek().kind;
  if (k != TokenKind::Integer && k != TokenKind::Decimal && k != TokenKind::Float && k != TokenKind::Money)
    fail();
  ExprPtr v = primary(false);
  return minus ? std::make_unique<UnaryExpr>(UnaryOp::Minus, std::move(v), at) : std::move(v);
}

ProcedureParam Parser::procedureParam() {
  ProcedureParam p;
  p.pos = pos();
  if (peek().kind != TokenKind::Variable) fail();
  p.name = next().text;
  acceptKeyword("AS");
  if (isKeyword("CURSOR")) unsupported("A cursor parameter (CURSOR VARYING)");
  p.type = typeName();
  if (acceptSymbol("=")) p.defaultValue = procedureDefault();
  p.output = acceptWord("OUTPUT") || acceptWord("OUT");
  if (isWord("READONLY")) unsupported("A table-valued parameter (READONLY)");
  return p;
}

// The statement runs to the end of the batch: its definition is the batch's
// whole text, which makes the procedure again when a file database opens.
StmtPtr Parser::createProcedure(Pos at, size_t start, bool alter) {
  // The batch's first statement, and not one inside IF, WHILE or BEGIN ... END.
  if (!firstStatement_ || depth_ != 1) throwSqlError(111, {"CREATE/ALTER PROCEDURE"}, at.line);
  auto s = std::make_unique<CreateProcedureStmt>(at);
  s->alter = alter;
  if (isName() && peek().text.starts_with("#")) unsupported("A temporary procedure (#name)");
  s->procedure = objectName();
  if (isSymbol(";") && peek(1).kind == TokenKind::Integer) unsupported("A numbered procedure (name;number)");
  auto code = std::make_shared<Procedure>();
  bool parenthesised = acceptSymbol("(");
  if (peek().kind == TokenKind::Variable) {
    do {
      code->params.push_back(procedureParam());
    } while (acceptSymbol(","));
  }
  if (parenthesised) expectSymbol(")");
  if (isKeyword("WITH")) unsupported("CREATE PROCEDURE ... WITH " + ascii::upperCase(peek(1).text));
  if (isKeyword("FOR") && isKeyword("REPLICATION", 1)) unsupported("CREATE PROCEDURE ... FOR REPLICATION");
  expectKeyword("AS");
  if (isKeywordOrWord("EXTERNAL") && isKeywordOrWord("NAME", 1))
    unsupported("A CLR procedure (AS EXTERNAL NAME)");
  firstStatement_ = false;  // a bare name in the body is no EXEC
  const size_t namesBefore = qualified_.size();
  while (true) {
    while (acceptSymbol(";")) {
    }
    if (atEnd()) break;
    code->body.push_back(statement());
  }
  if (code->body.empty()) fail();  // AS and nothing after it
  code->qualifiedNames.assign(qualified_.begin() + static_cast<std::ptrdiff_t>(namesBefore),
                              qualified_.end());
  qualified_.resize(namesBefore);
  s->code = std::move(code);
  std::string text(text_.substr(0, text_.find_last_not_of(" \t\r\n;") + 1));
  if (alter) text.replace(start, 5, "CREATE");  // ALTER
  s->definition = std::move(text);
  return s;
}

StmtPtr Parser::dropStatement() {
  Pos at = pos();
  expectKeyword("DROP");
  if (acceptKeyword("PROCEDURE") || acceptKeyword("PROC")) {
    if (isKeyword("IF")) unsupported("DROP ... IF EXISTS");
    auto s = std::make_unique<DropProcedureStmt>(at);
    do {
      s->procedures.push_back(objectName());
    } while (acceptSymbol(","));
    return s;
  }
  refuseObjectKind("DROP");
  if ((isKeyword("TABLE") || isKeyword("VIEW") || isKeyword("INDEX")) && isKeyword("IF", 1))
    unsupported("DROP ... IF EXISTS");
  if (acceptKeyword("TABLE")) {
    auto s = std::make_unique<DropTableStmt>(at);
    do {
      s->tables.push_back(objectName());
    } while (acceptSymbol(","));
    return s;
  }
  if (acceptKeyword("VIEW")) {
    auto s = std::make_unique<DropViewStmt>(at);
    do {
      s->views.push_back(objectName());
    } while (acceptSymbol(","));
    return s;
  }
  if (acceptKeyword("INDEX")) {
    auto s = std::make_unique<DropIndexStmt>(at);
    do {
      DropIndexStmt::Target target;
      ObjectName n = objectName();
      if (acceptKeyword("ON")) {  // DROP INDEX ix ON t
        if (n.parts.size() != 1) fail();
        target.index = n.name();
        target.table = objectName();
      } else {  // DROP INDEX t.ix
        if (n.parts.size() < 2) fail();
        if (n.parts.size() >= 3) qualified_.pop_back();  // noted as an object; its table is noted below
        target.index = n.name();
        n.parts.pop_back();
        if (n.parts.back().empty()) fail();
        if (n.parts.size() >= 3) qualified_.push_back(n);
        target.table = std::move(n);
      }
      s->targets.push_back(std::move(target));
    } while (acceptSymbol(","));
    return s;
  }
  fail();
}

StmtPtr Parser::alterStatement() {
  auto s = std::make_unique<AlterTableStmt>(pos());
  const size_t start = peek().offset;
  expectKeyword("ALTER");
  if (acceptKeyword("PROCEDURE") || acceptKeyword("PROC")) return createProcedure(s->pos, start, true);
  refuseObjectKind("ALTER");
  if (isKeyword("VIEW") || isKeyword("INDEX")) unsupported("ALTER " + peek().text);
  expectKeyword("TABLE");
  s->table = objectName();
  if (acceptKeyword("WITH")) {
    if (acceptKeyword("NOCHECK"))
      s->noCheck = true;
    else
      expectKeyword("CHECK");
    if (!isKeyword("ADD")) fail();
  }
  if (acceptKeyword("ADD")) {
    s->action = AlterTableStmt::Action::Add;
    do {
      if (startsConstraint())
        s->constraints.push_back(tableConstraint());
      else
        s->columns.push_back(columnDef(s->constraints));
    } while (acceptSymbol(","));
  } else if (acceptKeyword("DROP")) {
    s->action =
        acceptKeyword("COLUMN") ? AlterTableStmt::Action::DropColumn : AlterTableStmt::Action::DropConstraint;
    if (s->action == AlterTableStmt::Action::DropConstraint) acceptKeyword("CONSTRAINT");
    do {
      s->names.push_back(name());
    } while (acceptSymbol(","));
  } else if (acceptKeyword("ALTER")) {
    expectKeyword("COLUMN");
    s->action = AlterTableStmt::Action::AlterColumn;
    ColumnDef c;
    c.pos = pos();
    c.name = name();
    c.type = typeName();
    if (isKeyword("NOT") && isKeyword("NULL", 1)) {
      next();
      next();
      c.nullable = false;
    } else if (acceptKeyword("NULL")) {
      c.nullable = true;
    }
    s->columns.push_back(std::move(c));
  } else if (isKeyword("CHECK") || isKeyword("NOCHECK") || isWord("SWITCH") || isWord("REBUILD") ||
             isWord("ENABLE") || isWord("DISABLE") || isKeyword("SET")) {
    unsupported("ALTER TABLE ... " + ascii::upperCase(peek().text));
  } else {
    fail();
  }
  return s;
}

StmtPtr Parser::truncateStatement() {
  auto s = std::make_unique<TruncateStmt>(pos());
  expectKeyword("TRUNCATE");
  expectKeyword("TABLE");
  s->table = objectName();
  return s;
}

}  // namespace mls::tsql
