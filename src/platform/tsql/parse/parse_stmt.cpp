// Statements: dispatch, DML and the procedural language.
#include "platform/common/ascii_text.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser_impl.h"
#include "platform/tsql/parse/set_options.h"
#include "platform/tsql/types/datetime_text.h"

namespace mls::tsql {

using namespace ast;

namespace {

// Statements of T-SQL the engine does not have, by their first word.
constexpr std::pair<std::string_view, std::string_view> kUnsupportedStatements[] = {
    {"SAVE", "SAVE TRANSACTION (savepoints)"},
    {"MERGE", "MERGE"},
    {"WITH", "WITH ... AS (common table expressions)"},
    {"THROW", "THROW"},
    {"GOTO", "GOTO"},
    {"WAITFOR", "WAITFOR"},
    {"USE", "USE"},
    {"GRANT", "GRANT"},
    {"REVOKE", "REVOKE"},
    {"DENY", "DENY"},
    {"BULK", "BULK INSERT"},
    {"BACKUP", "BACKUP"},
    {"RESTORE", "RESTORE"},
    {"KILL", "KILL"},
    {"SHUTDOWN", "SHUTDOWN"},
    {"RECONFIGURE", "RECONFIGURE"},
    {"READTEXT", "READTEXT"},
    {"WRITETEXT", "WRITETEXT"},
    {"UPDATETEXT", "UPDATETEXT"},
    {"SETUSER", "SETUSER"},
    {"REVERT", "REVERT"},
};

}  // namespace

StmtPtr Parser::statement() {
  DepthGuard guard(*this);
  const Token& t = peek();
  for (auto [word, form] : kUnsupportedStatements) {
    if (isKeywordOrWord(word)) unsupported(form);
  }
  if (t.kind == TokenKind::Symbol && t.text == "(") return selectStatement();
  // A procedure name alone starts the first statement of a batch: EXEC is implied.
  if (t.kind == TokenKind::Identifier && firstStatement_) return execStatement(false);
  if (t.kind != TokenKind::Keyword) fail();
  const std::string& kw = t.text;
  if (kw == "SELECT") return selectStatement();
  if (kw == "INSERT") return insertStatement();
  if (kw == "UPDATE") return updateStatement();
  if (kw == "DELETE") return deleteStatement();
  if (kw == "TRUNCATE") return truncateStatement();
  if (kw == "CREATE") return createStatement();
  if (kw == "DROP") return dropStatement();
  if (kw == "ALTER") return alterStatement();
  if (kw == "DECLARE") return declareStatement();
  if (kw == "SET") return setStatement();
  if (kw == "IF") return ifStatement();
  if (kw == "WHILE") return whileStatement();
  if (kw == "BEGIN") return beginStatement();
  if (kw == "BREAK" || kw == "CONTINUE") {
    auto s = std::make_unique<Stmt>(kw == "BREAK" ? StmtKind::Break : StmtKind::Continue, pos());
    next();
    return s;
  }
  if (kw == "CHECKPOINT") {
    auto s = std::make_unique<Stmt>(StmtKind::Checkpoint, pos());
    next();
    if (peek().kind == TokenKind::Integer) next();  // a duration asked for: the checkpoint runs at once
    return s;
  }
  if (kw == "RETURN") return returnStatement();
  if (kw == "PRINT") {
    auto s = std::make_unique<PrintStmt>(pos());
    next();
    s->value = value();
    return s;
  }
  if (kw == "RAISERROR") return raiserrorStatement();
  if (kw == "EXEC" || kw == "EXECUTE") return execStatement(true);
  if (kw == "COMMIT") return tranStatement(StmtKind::Commit);
  if (kw == "ROLLBACK") return tranStatement(StmtKind::Rollback);
  if (kw == "OPEN") return cursorStatement(StmtKind::Open);
  if (kw == "CLOSE") return cursorStatement(StmtKind::Close);
  if (kw == "DEALLOCATE") return cursorStatement(StmtKind::Deallocate);
  if (kw == "FETCH") return fetchStatement();
  if (kw == "DBCC") return dbccStatement();
  fail();
}

StmtPtr Parser::selectStatement() {
  auto s = std::make_unique<SelectStmt>(pos());
  s->query = query();
  refuseStatementTail(true);
  return s;
}

StmtPtr Parser::insertStatement() {
  auto s = std::make_unique<InsertStmt>(pos());
  expectKeyword("INSERT");
  if (isKeyword("TOP")) unsupported("INSERT TOP");
  acceptKeyword("INTO");
  s->table = objectName();
  s->tableHints = tableHints();
  refuseChangeTargetHints(s->tableHints);
  if (isSymbol("(") && !isKeyword("SELECT", 1)) {
    next();
    s->columns = nameList();
  }
  if (isWord("OUTPUT")) unsupported("The OUTPUT clause");
  if (acceptKeyword("VALUES")) {
    s->source = InsertStmt::Source::Values;
    do {
      expectSymbol("(");
      std::vector<ExprPtr> row;
      do {
        row.push_back(valueOrDefault());
      } while (acceptSymbol(","));
      expectSymbol(")");
      s->rows.push_back(std::move(row));
    } while (acceptSymbol(","));
  } else if (isKeyword("DEFAULT") && isKeyword("VALUES", 1)) {
    next();
    next();
    s->source = InsertStmt::Source::DefaultValues;
  } else if (isKeyword("SELECT") || isSymbol("(")) {
    s->source = InsertStmt::Source::Query;
    s->query = subquery();  // no INTO
    refuseStatementTail(false);
  } else if (isKeyword("EXEC") || isKeyword("EXECUTE")) {
    unsupported("INSERT ... EXEC");
  } else {
    fail();
  }
  return s;
}

StmtPtr Parser::updateStatement() {
  auto s = std::make_unique<UpdateStmt>(pos());
  expectKeyword("UPDATE");
  if (isKeyword("TOP")) unsupported("UPDATE TOP");
  if (isWord("STATISTICS")) unsupported("UPDATE STATISTICS");
  s->target = objectName();
  s->targetHints = tableHints();
  refuseChangeTargetHints(s->targetHints);
  expectKeyword("SET");
  do {
    SetItem item;
    item.pos = pos();
    if (peek().kind == TokenKind::Variable && isSymbol("=", 1)) {
      item.variable = next().text;
      next();
    }
    // col = ... (after @v = as well): a possibly qualified name, then '='
    size_t k = 0;
    while (isName(k) && isSymbol(".", k + 1))
      k += 2;
    if (isName(k) || (item.variable.empty() && peek().kind == TokenKind::Variable)) {
      refuseCompoundAssignment(k + 1);  // col += v, @v += v
    }
    if (isName(k) && isSymbol("=", k + 1)) {
      do {
        item.column.push_back(name());
      } while (acceptSymbol("."));
      expectSymbol("=");
    } else if (item.variable.empty()) {
      fail();
    }
    item.value = item.column.empty() ? value() : valueOrDefault();
    s->items.push_back(std::move(item));
  } while (acceptSymbol(","));
  if (isWord("OUTPUT")) unsupported("The OUTPUT clause");
  if (acceptKeyword("FROM")) s->from = tableSources();
  if (acceptKeyword("WHERE")) s->where = whereCondition();
  refuseStatementTail(false);
  return s;
}

StmtPtr Parser::deleteStatement() {
  auto s = std::make_unique<DeleteStmt>(pos());
  expectKeyword("DELETE");
  if (isKeyword("TOP")) unsupported("DELETE TOP");
  acceptKeyword("FROM");
  s->target = objectName();
  s->targetHints = tableHints();
  refuseChangeTargetHints(s->targetHints);
  if (isWord("OUTPUT")) unsupported("The OUTPUT clause");
  if (acceptKeyword("FROM")) s->from = tableSources();
  if (acceptKeyword("WHERE")) s->where = whereCondition();
  refuseStatementTail(false);
  return s;
}

ExprPtr Parser::whereCondition() {
  if (isKeyword("CURRENT") && isKeyword("OF", 1)) unsupported("WHERE CURRENT OF (changes through a cursor)");
  return condition();
}

StmtPtr Parser::declareStatement() {
  Pos at = pos();
  expectKeyword("DECLARE");
  if (isName() && (isWord("INSENSITIVE", 1) || isWord("SCROLL", 1))) {
    unsupported("DECLARE ... " + ascii::upperCase(peek(1).text) + " CURSOR (the ISO cursor form)");
  }
  if (isName() && isKeyword("CURSOR", 1)) {
    auto s = std::make_unique<DeclareCursorStmt>(at);
    s->name = next().text;
    next();
    static const char* const kOptions[] = {"LOCAL",     "GLOBAL",       "FORWARD_ONLY", "SCROLL",
                                           "STATIC",    "KEYSET",       "DYNAMIC",      "FAST_FORWARD",
                                           "READ_ONLY", "SCROLL_LOCKS", "OPTIMISTIC",   "TYPE_WARNING"};
    while (!isKeyword("FOR")) {
      bool known = false;
      for (const char* o : kOptions)
        known = known || isWord(o);
      if (!known) fail();
      // every cursor reads a snapshot taken at OPEN: it cannot see changes as these would
      if (isWord("KEYSET") || isWord("DYNAMIC")) unsupported(ascii::upperCase(peek().text) + " cursors");
      s->options.push_back(upperWord());
    }
    next();
    ++subqueries_;  // no INTO in a cursor's query, as in a subquery's
    s->query = query();
    --subqueries_;
    // FOR READ ONLY is what every cursor of the engine is
    if (isKeyword("FOR") && isKeyword("READ", 1) && isWord("ONLY", 2)) {
      i_ += 3;
    } else if (isKeyword("FOR") && isKeyword("UPDATE", 1)) {
      unsupported("DECLARE CURSOR ... FOR UPDATE");
    }
    return s;
  }
  auto s = std::make_unique<DeclareStmt>(at);
  do {
    VarDecl v;
    v.pos = pos();
    if (peek().kind != TokenKind::Variable) fail();
    v.name = next().text;
    acceptKeyword("AS");
    if (isKeyword("TABLE")) unsupported("DECLARE @t TABLE (table variables)");
    if (isKeyword("CURSOR")) unsupported("DECLARE @c CURSOR (cursor variables)");
    v.type = typeName();
    if (acceptSymbol("=")) v.init = value();
    s->vars.push_back(std::move(v));
  } while (acceptSymbol(","));
  return s;
}

StmtPtr Parser::cursorStatement(StmtKind kind) {
  auto s = std::make_unique<CursorStmt>(kind, pos());
  next();
  if (isWord("GLOBAL") && isName(1)) {
    next();
    s->global = true;
  }
  s->name = name();
  return s;
}

StmtPtr Parser::fetchStatement() {
  auto s = std::make_unique<FetchStmt>(pos());
  expectKeyword("FETCH");
  using D = FetchStmt::Direction;
  static const std::pair<const char*, D> kDirections[] = {
      {"NEXT", D::Next}, {"PRIOR", D::Prior},       {"FIRST", D::First},
      {"LAST", D::Last}, {"ABSOLUTE", D::Absolute}, {"RELATIVE", D::Relative}};
  for (auto [word, direction] : kDirections) {
    bool offset = direction == D::Absolute || direction == D::Relative;
    // NEXT FROM c, ABSOLUTE 3 FROM c; a cursor may be named like a direction
    if (isWord(word) && (offset || isKeyword("FROM", 1))) {
      next();
      s->direction = direction;
      if (offset) s->offset = value();
      if (!isKeyword("FROM")) fail();
      break;
    }
  }
  acceptKeyword("FROM");
  if (isWord("GLOBAL") && isName(1)) {
    next();
    s->global = true;
  }
  s->cursor = name();
  if (acceptKeyword("INTO")) {
    do {
      if (peek().kind != TokenKind::Variable) fail();
      s->into.push_back(next().text);
    } while (acceptSymbol(","));
  }
  return s;
}

StmtPtr Parser::setStatement() {
  Pos at = pos();
  expectKeyword("SET");
  if (peek().kind == TokenKind::Variable) {
    auto s = std::make_unique<SetVariableStmt>(at);
    s->name = next().text;
    refuseCompoundAssignment();
    expectSymbol("=");
    s->value = value();
    return s;
  }
  if (acceptKeyword("IDENTITY_INSERT")) {
    auto s = std::make_unique<SetIdentityInsertStmt>(at);
    s->table = objectName();
    if (acceptKeyword("ON"))
      s->on = true;
    else
      expectKeyword("OFF");
    return s;
  }
  if (acceptKeyword("TRANSACTION")) {
    auto s = std::make_unique<SetIsolationStmt>(at);
    expectWord("ISOLATION");
    expectWord("LEVEL");
    if (acceptKeyword("READ")) {
      if (acceptWord("COMMITTED"))
        s->level = IsolationLevel::ReadCommitted;
      else if (acceptWord("UNCOMMITTED"))
        s->level = IsolationLevel::ReadUncommitted;
      else
        fail();
    } else if (acceptWord("REPEATABLE")) {
      expectKeyword("READ");
      s->level = IsolationLevel::RepeatableRead;
    } else if (acceptWord("SNAPSHOT")) {
      s->level = IsolationLevel::Snapshot;
    } else if (acceptWord("SERIALIZABLE")) {
      s->level = IsolationLevel::Serializable;
    } else {
      fail();
    }
    return s;
  }
  return setOptionStatement(at);
}

// SET option[, option...] value, checked against the option's rule: a name SQL
// Server does not know is 195, a value of the wrong kind a syntax error, and
// an option or value the engine does not have 40517.
StmtPtr Parser::setOptionStatement(Pos at) {
  auto s = std::make_unique<SetOptionStmt>(at);
  std::vector<const SetOptionRule*> rules;
  do {
    // options are plain words but for a few reserved ones
    bool reserved =
        isKeyword("ROWCOUNT") || isKeyword("TEXTSIZE") || isKeyword("STATISTICS") || isKeyword("OFFSETS");
    if (!isName() && !reserved) fail();
    const Token& written = peek();
    std::string option = upperWord();
    if (option == "STATISTICS") option += " " + upperWord();  // STATISTICS IO
    const SetOptionRule* rule = findSetOptionRule(option);
    if (rule == nullptr && !rules.empty() && rules.back()->name.starts_with("STATISTICS "))
      rule = findSetOptionRule(option = "STATISTICS " + option);  // SET STATISTICS IO, TIME ON
    if (rule == nullptr)
      throw SqlError(195, 15, 10, written.line,
                     "'" + (option.starts_with("STATISTICS") ? option : written.text) +
                         "' is not a recognized SET option.");
    if (rule->rule == SetRule::Refused) unsupported("SET " + option);
    rules.push_back(rule);
    s->options.push_back(std::move(option));
  } while (acceptSymbol(","));
  const Token& v = peek();
  bool negative = v.kind == TokenKind::Symbol && v.text == "-";
  if (negative) next();
  const Token& w = peek();
  TokenKind kind = w.kind;
  switch (kind) {
    case TokenKind::Integer:
    case TokenKind::Decimal:
      s->value = (negative ? "-" : "") + next().text;
      break;
    case TokenKind::Identifier:
    case TokenKind::Keyword:
      if (negative || (w.kind == TokenKind::Keyword && w.text != "ON" && w.text != "OFF")) fail();
      s->value = upperWord();
      break;
    case TokenKind::String:
    case TokenKind::NString:
    case TokenKind::QuotedIdentifier:  // SET LANGUAGE [us_english]
    case TokenKind::Variable:
      if (negative) fail();
      s->value = next().text;
      break;
    default:
      fail();
  }
  const Token& valueToken = toks_[i_ - 1];
  bool variable = kind == TokenKind::Variable;
  bool number = kind == TokenKind::Integer || variable;
  bool word = kind == TokenKind::Identifier || kind == TokenKind::Keyword;
  bool onOff = word && (s->value == "ON" || s->value == "OFF");
  const std::string upper = ascii::upperCase(s->value);  // as the rules name values
  for (const SetOptionRule* rule : rules) {
    bool fits = rule->kind == SetValueKind::OnOff    ? onOff
                : rule->kind == SetValueKind::Number ? number
                                                     : kind != TokenKind::Decimal;
    // only ON / OFF options come in lists
    if (!fits || (rules.size() > 1 && rule->kind != SetValueKind::OnOff)) failAt(valueToken);
    if (rule->name == "DATEFORMAT" && !variable && !dateOrderNamed(s->value))
      throwSqlError(2741, {s->value}, valueToken.line);
    if (rule->rule != SetRule::OnlyValue) continue;
    if (variable) unsupported("SET " + std::string(rule->name) + " from a variable");
    if (!acceptsValue(*rule, upper)) unsupported("SET " + std::string(rule->name) + " " + s->value);
  }
  return s;
}

StmtPtr Parser::ifStatement() {
  auto s = std::make_unique<IfStmt>(pos());
  expectKeyword("IF");
  s->condition = condition();
  s->then = statement();
  // IF c stmt; ELSE stmt
  if (isSymbol(";") && isKeyword("ELSE", 1)) next();
  if (acceptKeyword("ELSE")) s->otherwise = statement();
  return s;
}

StmtPtr Parser::whileStatement() {
  auto s = std::make_unique<WhileStmt>(pos());
  expectKeyword("WHILE");
  s->condition = condition();
  s->body = statement();
  return s;
}

StmtPtr Parser::beginStatement() {
  if (isWord("TRY", 1) || isWord("CATCH", 1)) unsupported("BEGIN TRY ... BEGIN CATCH");
  if (isKeyword("DISTRIBUTED", 1)) unsupported("BEGIN DISTRIBUTED TRANSACTION");
  if (isKeyword("TRAN", 1) || isKeyword("TRANSACTION", 1)) {
    auto s = std::make_unique<TranStmt>(StmtKind::BeginTran, pos());
    next();
    next();
    if (isName() || peek().kind == TokenKind::Variable) s->name = next().text;
    return s;
  }
  auto s = std::make_unique<BlockStmt>(pos());
  expectKeyword("BEGIN");
  while (true) {
    while (acceptSymbol(";")) {
    }
    if (acceptKeyword("END")) break;
    if (atEnd()) fail();
    s->body.push_back(statement());
  }
  if (s->body.empty()) failAt(toks_[i_ - 1]);  // BEGIN END
  return s;
}

StmtPtr Parser::returnStatement() {
  auto s = std::make_unique<ReturnStmt>(pos());
  expectKeyword("RETURN");
  if (startsExpression()) s->value = value();
  return s;
}

StmtPtr Parser::raiserrorStatement() {
  auto s = std::make_unique<RaiserrorStmt>(pos());
  expectKeyword("RAISERROR");
  expectSymbol("(");
  s->message = value();
  expectSymbol(",");
  s->severity = value();
  expectSymbol(",");
  s->state = value();
  while (acceptSymbol(","))
    s->args.push_back(value());
  expectSymbol(")");
  if (acceptKeyword("WITH")) {
    do {
      // NOWAIT only hastens the message; LOG writes the server's error log and
      // SETERROR sets @@ERROR, which the engine does not
      if (isWord("LOG") || isWord("SETERROR"))
        unsupported("RAISERROR ... WITH " + ascii::upperCase(peek().text));
      if (!isWord("NOWAIT")) fail();
      s->options.push_back(upperWord());
    } while (acceptSymbol(","));
  }
  return s;
}

StmtPtr Parser::execStatement(bool keyword) {
  Pos at = pos();
  if (keyword) next();  // EXEC / EXECUTE
  if (keyword && isSymbol("(")) {
    auto s = std::make_unique<ExecStringStmt>(at);
    next();
    s->text = value();
    expectSymbol(")");
    return s;
  }
  auto s = std::make_unique<ExecStmt>(at);
  if (peek().kind == TokenKind::Variable && isSymbol("=", 1)) {
    s->returnVariable = next().text;
    next();
  }
  if (keyword && peek().kind == TokenKind::Variable)
    s->procedureVariable = primary(false);
  else
    s->procedure = objectName();
  if (startsExpression() || isKeyword("DEFAULT")) {
    do {
      s->args.push_back(execArgument());
    } while (acceptSymbol(","));
  }
  if (isKeyword("WITH") && (isWord("RECOMPILE", 1) || isWord("RESULT", 1)))
    unsupported("EXEC ... WITH " + ascii::upperCase(peek(1).text));
  return s;
}

// An argument is a constant, a variable, DEFAULT or a bare word; never an
// expression (EXEC p 1 + 1 is a syntax error).
ExecArg Parser::execArgument() {
  ExecArg arg;
  arg.pos = pos();
  if (peek().kind == TokenKind::Variable && isSymbol("=", 1)) {
    arg.name = next().text;
    next();
  }
  Pos at = pos();
  if (acceptKeyword("DEFAULT")) {
    arg.value = std::make_unique<DefaultExpr>(at);
    return arg;
  }
  if (isSymbol("-") || isSymbol("+")) {
    arg.value = signedNumber();
    refuseOutput();
    return arg;
  }
  switch (peek().kind) {
    case TokenKind::Identifier:
    case TokenKind::QuotedIdentifier:
      arg.value = std::make_unique<ColumnRef>(std::vector<std::string>{next().text}, at);
      break;
    case TokenKind::Variable:
      arg.value = primary(false);
      arg.output = acceptWord("OUTPUT") || acceptWord("OUT");
      break;
    case TokenKind::SystemVariable:
    case TokenKind::Parameter:
      arg.value = primary(false);
      break;
    default:
      if (!isConstant(peek().kind) && !isKeyword("NULL")) fail();
      arg.value = primary(false);
  }
  if (!arg.output) refuseOutput();
  return arg;
}

// OUTPUT after an argument that is no variable: 179.
void Parser::refuseOutput() const {
  if (isWord("OUTPUT") || isWord("OUT")) throwSqlError(179, {}, peek().line);
}

StmtPtr Parser::tranStatement(StmtKind kind) {
  auto s = std::make_unique<TranStmt>(kind, pos());
  next();  // COMMIT / ROLLBACK
  if (acceptKeyword("TRAN") || acceptKeyword("TRANSACTION")) {
    bool named = isName() || peek().kind == TokenKind::Variable;
    if (named && kind == StmtKind::Rollback) unsupported("ROLLBACK TRANSACTION with a name (savepoints)");
    if (named) s->name = next().text;
  } else {
    acceptWord("WORK");
  }
  return s;
}

StmtPtr Parser::dbccStatement() {
  auto s = std::make_unique<DbccStmt>(pos());
  expectKeyword("DBCC");
  if (!isName()) fail();
  s->command = upperWord();
  if (acceptSymbol("(")) {
    do {
      s->args.push_back(value());
    } while (acceptSymbol(","));
    expectSymbol(")");
  }
  if (acceptKeyword("WITH")) {
    do {
      s->options.push_back(upperWord());
    } while (acceptSymbol(","));
  }
  return s;
}

}  // namespace mls::tsql
