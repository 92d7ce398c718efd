// Queries: SELECT, UNION chains, ORDER BY, FROM with joins and derived tables.
#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/common/ascii_text.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/parse/parser_impl.h"

namespace mls::tsql {

using namespace ast;

namespace {

QueryPtr setOperation(Query::Kind kind, QueryPtr left, QueryPtr right) {
  auto q = std::make_unique<Query>();
  q->kind = kind;
  q->pos = left->pos;
  q->left = std::move(left);
  q->right = std::move(right);
  return q;
}

constexpr int kSetOperationWeight = kMaxChain / kMaxSetOperations;

}  // namespace

QueryPtr Parser::query() {
  DepthGuard guard(*this);
  QueryPtr q = intersection();
  ChainGuard chain(*this);
  while (isKeyword("UNION") || isKeyword("EXCEPT")) {
    chain.grow(kSetOperationWeight);
    bool isUnion = next().text == "UNION";
    bool all = isUnion && acceptKeyword("ALL");
    q = setOperation(isUnion ? Query::Kind::Union : Query::Kind::Except, std::move(q), intersection());
    q->unionAll = all;
  }
  if (isKeyword("ORDER")) {
    if (!q->orderBy.empty()) fail();  // (SELECT ... ORDER BY) ORDER BY
    q->orderBy = orderBy();
    if (isWord("OFFSET")) unsupported("ORDER BY ... OFFSET ... FETCH");
  }
  return q;
}

QueryPtr Parser::subquery() {
  ++subqueries_;
  const size_t start = i_;
  QueryPtr q;
  try {
    q = query();
    refuseStatementTail(true);  // FOR XML / JSON / BROWSE, OPTION (...)
  } catch (const SqlError& e) {
    if (!unsupported_ || e.number() != 40517) throw;
    // Read through to the subquery's closing parenthesis: a ';' or INTO on
    // the way is still a fault.  A stand-in query takes its place.
    unsupported_->push_back(e.message());
    i_ = start;
    for (int open = 0; open > 0 || !isSymbol(")"); next()) {
      if (atEnd() || isSymbol(";") || isKeyword("INTO")) fail();
      open += isSymbol("(") ? 1 : isSymbol(")") ? -1 : 0;
    }
    q = std::make_unique<Query>();
    q->select = std::make_unique<SelectBlock>();
    SelectItem item;
    item.expr = std::make_unique<Literal>(LiteralKind::Null, "NULL", Pos{});
    q->select->items.push_back(std::move(item));
  }
  --subqueries_;
  return q;
}

QueryPtr Parser::intersection() {
  QueryPtr q = queryTerm();
  ChainGuard chain(*this);
  while (acceptKeyword("INTERSECT")) {
    chain.grow(kSetOperationWeight);
    q = setOperation(Query::Kind::Intersect, std::move(q), queryTerm());
  }
  return q;
}

QueryPtr Parser::queryTerm() {
  if (isSymbol("(")) {
    next();
    QueryPtr q = query();
    expectSymbol(")");
    return q;
  }
  if (!isKeyword("SELECT")) fail();
  auto q = std::make_unique<Query>();
  q->pos = pos();
  q->select = selectBlock();
  return q;
}

std::unique_ptr<SelectBlock> Parser::selectBlock() {
  auto s = std::make_unique<SelectBlock>();
  s->pos = pos();
  expectKeyword("SELECT");
  if (acceptKeyword("DISTINCT"))
    s->distinct = true;
  else
    acceptKeyword("ALL");
  if (acceptKeyword("TOP")) {
    TopClause top;
    if (acceptSymbol("(")) {
      top.count = value();
      expectSymbol(")");
    } else {
      TokenKind k = peek().kind;
      if (k != TokenKind::Integer && k != TokenKind::Decimal && k != TokenKind::Float) fail();
      top.count = primary(false);
    }
    top.percent = acceptKeyword("PERCENT");
    if (isKeyword("WITH") && isWord("TIES", 1)) {
      next();
      next();
      top.withTies = true;
    }
    s->top = std::move(top);
  }
  do {
    s->items.push_back(selectItem());
  } while (acceptSymbol(","));
  if (isKeyword("INTO") && subqueries_ > 0) fail();  // no INTO in a subquery
  if (acceptKeyword("INTO")) s->into = objectName();
  if (acceptKeyword("FROM")) s->from = tableSources();
  if (acceptKeyword("WHERE")) s->where = condition();
  if (acceptKeyword("GROUP")) {
    expectKeyword("BY");
    if (isKeyword("ALL")) unsupported("GROUP BY ALL");
    if (isSymbol("(") && isSymbol(")", 1)) unsupported("GROUP BY ()");
    do {
      if ((isWord("ROLLUP") || isWord("CUBE")) && isSymbol("(", 1))
        unsupported("GROUP BY " + ascii::upperCase(peek().text) + " (...)");
      if (isWord("GROUPING") && isWord("SETS", 1)) unsupported("GROUP BY GROUPING SETS");
      s->groupBy.push_back(value());
    } while (acceptSymbol(","));
    if (isKeyword("WITH") && isWord("ROLLUP", 1)) {
      next();
      next();
      s->withRollup = true;
    } else if (isKeyword("WITH") && isWord("CUBE", 1)) {
      unsupported("GROUP BY ... WITH CUBE");
    }
  }
  if (acceptKeyword("HAVING")) s->having = condition();
  if (isWord("WINDOW") && isName(1) && isKeyword("AS", 2)) unsupported("The WINDOW clause");
  return s;
}

bool Parser::startsStarItem() const {
  if (isSymbol("*")) return true;
  for (size_t k = 0; isName(k) && isSymbol(".", k + 1); k += 2) {
    if (isSymbol("*", k + 2)) return true;
  }
  return false;
}

SelectItem Parser::selectItem() {
  SelectItem item;
  item.pos = pos();
  TokenKind k = peek().kind;
  if (k == TokenKind::Variable) refuseCompoundAssignment(1);  // SELECT @v += 1
  if (isSymbol("=", 1) && (k == TokenKind::Variable || isName() || k == TokenKind::String)) {
    // @v = expr assigns; alias = expr names
    (k == TokenKind::Variable ? item.variable : item.alias) = next().text;
    next();
    item.expr = value();
    return item;
  }
  if (startsStarItem()) {
    std::vector<std::string> qualifier;
    while (!isSymbol("*")) {
      qualifier.push_back(next().text);
      next();  // '.'
    }
    next();
    item.expr = std::make_unique<Star>(std::move(qualifier), item.pos);
    return item;
  }
  item.expr = value();
  if (acceptKeyword("AS")) {
    if (!isName() && peek().kind != TokenKind::String) fail();
    item.alias = next().text;
  } else if (isName() || peek().kind == TokenKind::String) {
    item.alias = next().text;
  }
  return item;
}

std::vector<OrderItem> Parser::orderBy() {
  expectKeyword("ORDER");
  expectKeyword("BY");
  std::vector<OrderItem> items;
  do {
    OrderItem item;
    item.expr = value();
    if (acceptKeyword("DESC"))
      item.descending = true;
    else
      acceptKeyword("ASC");
    items.push_back(std::move(item));
  } while (acceptSymbol(","));
  return items;
}

std::vector<TableRefPtr> Parser::tableSources() {
  std::vector<TableRefPtr> sources;
  do {
    sources.push_back(joinedTable());
  } while (acceptSymbol(","));
  return sources;
}

TableRefPtr Parser::joinedTable() {
  DepthGuard guard(*this);
  TableRefPtr left = tablePrimary();
  ChainGuard chain(*this);
  while (true) {
    chain.grow();
    Pos at = left->pos;
    if (isKeyword("CROSS") && isKeyword("JOIN", 1)) {
      next();
      next();
      auto j = std::make_unique<JoinRef>(JoinType::Cross, at);
      j->left = std::move(left);
      j->right = tablePrimary();
      left = std::move(j);
      continue;
    }
    if ((isKeyword("CROSS") || isKeyword("OUTER")) && isWord("APPLY", 1)) unsupported(peek().text + " APPLY");
    JoinType type;
    if (isKeyword("JOIN")) {
      type = JoinType::Inner;
    } else if (isKeyword("INNER")) {
      type = JoinType::Inner;
      next();
    } else if (isKeyword("LEFT") || isKeyword("RIGHT") || isKeyword("FULL")) {
      type = isKeyword("LEFT") ? JoinType::Left : isKeyword("RIGHT") ? JoinType::Right : JoinType::Full;
      next();
      acceptKeyword("OUTER");
    } else {
      return left;
    }
    if ((isWord("LOOP") || isWord("HASH") || isKeyword("MERGE") || isWord("REMOTE")) && isKeyword("JOIN", 1))
      unsupported("The join hint " + ascii::upperCase(peek().text));
    if (!isKeyword("JOIN")) fail();
    next();  // JOIN
    auto j = std::make_unique<JoinRef>(type, at);
    j->left = std::move(left);
    // a JOIN b JOIN c ON x ON y: b JOIN c is the right side
    j->right = joinedTable();
    expectKeyword("ON");
    j->on = condition();
    left = std::move(j);
  }
}

TableRefPtr Parser::tablePrimary() {
  Pos at = pos();
  if (isSymbol("{") && isWord("OJ", 1)) {  // ODBC's {oj joined table}
    i_ += 2;
    TableRefPtr inner = joinedTable();
    expectSymbol("}");
    return inner;
  }
  if (isSymbol("(")) {
    next();
    if (isKeyword("VALUES")) unsupported("FROM (VALUES ...)");
    if (!isKeyword("SELECT")) {
      TableRefPtr inner = joinedTable();
      expectSymbol(")");
      return inner;
    }
    auto d = std::make_unique<DerivedTable>(at);
    d->query = subquery();
    expectSymbol(")");
    acceptKeyword("AS");
    d->alias = name();
    if (acceptSymbol("(")) d->columnAliases = nameList();
    return d;
  }
  for (std::string_view rowset :
       {"OPENQUERY", "OPENROWSET", "OPENDATASOURCE", "OPENXML", "CONTAINSTABLE", "FREETEXTTABLE"}) {
    if (isKeyword(rowset)) unsupported(rowset);
  }
  if (peek().kind == TokenKind::Variable) unsupported("A table variable in FROM (" + peek().text + ")");
  auto t = std::make_unique<NamedTable>(at);
  t->name = objectName();
  if (isSymbol("(") && !(isName(1) && isSymbol(")", 2))) unsupported("A table-valued function in FROM");
  t->alias = optionalAlias();
  t->hints = tableHints();
  for (std::string_view tail : {"PIVOT", "UNPIVOT", "TABLESAMPLE"}) {
    if (isKeyword(tail)) unsupported(tail);
  }
  return t;
}

std::string Parser::optionalAlias() {
  if (acceptKeyword("AS")) return name();
  if (isWord("WINDOW") && isName(1) && isKeyword("AS", 2)) return {};  // the query's WINDOW clause
  if (isName()) return name();
  return {};
}

namespace {

// The table hints the engine takes.  The session applies the locking ones
// (SessionImpl::lockAsHinted); the others tune SQL Server's plans or the
// grain of its locks (the engine locks whole tables), which changes no result.
constexpr std::string_view kLockingHints[] = {
    "NOLOCK",   "READUNCOMMITTED", "READCOMMITTED", "READCOMMITTEDLOCK", "REPEATABLEREAD", "SERIALIZABLE",
    "HOLDLOCK", "UPDLOCK",         "XLOCK",         "TABLOCKX",          "NOWAIT",         "NOEXPAND"};
constexpr std::string_view kTuningHints[] = {
    "ROWLOCK",   "PAGLOCK",   "TABLOCK",      "INDEX",
    "FORCESEEK", "FORCESCAN", "FASTFIRSTROW", "SPATIAL_WINDOW_MAX_CELLS"};
// What a hint the engine cannot honour is refused as.
constexpr std::pair<std::string_view, std::string_view> kRefusedHints[] = {
    {"READPAST", "READPAST"},
    {"SNAPSHOT", "The SNAPSHOT table hint (memory-optimized tables)"},
    {"KEEPIDENTITY", "The KEEPIDENTITY table hint (OPENROWSET BULK)"},
    {"KEEPDEFAULTS", "The KEEPDEFAULTS table hint (OPENROWSET BULK)"},
    {"IGNORE_CONSTRAINTS", "The IGNORE_CONSTRAINTS table hint (OPENROWSET BULK)"},
    {"IGNORE_TRIGGERS", "The IGNORE_TRIGGERS table hint (OPENROWSET BULK)"}};
// The hints that may stand alone in parentheses without WITH (a form SQL
// Server keeps for compatibility).
constexpr std::string_view kHintsWithoutWith[] = {
    "NOLOCK",        "READUNCOMMITTED", "UPDLOCK",  "REPEATABLEREAD", "SERIALIZABLE",
    "READCOMMITTED", "TABLOCK",         "TABLOCKX", "PAGLOCK",        "ROWLOCK",
    "NOWAIT",        "READPAST",        "XLOCK",    "SNAPSHOT",       "NOEXPAND"};

template <typename List>
bool listed(const List& list, std::string_view word) {
  return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

// The isolation a hint asks of its table's reads: hints of two different
// ones conflict (1047).
int isolationOf(std::string_view hint) {
  if (hint == "NOLOCK" || hint == "READUNCOMMITTED") return 1;
  if (hint == "READCOMMITTED" || hint == "READCOMMITTEDLOCK") return 2;
  if (hint == "REPEATABLEREAD") return 3;
  if (hint == "HOLDLOCK" || hint == "SERIALIZABLE") return 4;
  return 0;
}

}  // namespace

std::vector<std::string> Parser::tableHints() {
  std::vector<std::string> hints;
  const bool withWith = isKeyword("WITH") && isSymbol("(", 1);
  if (!withWith && !(isSymbol("(") && isName(1) && isSymbol(")", 2) &&
                     listed(kHintsWithoutWith, ascii::upperCase(peek(1).text)))) {
    return hints;
  }
  if (withWith) next();
  next();  // (
  int isolation = 0;
  do {
    const int line = peek().line;
    const bool keyword = peek().kind == TokenKind::Keyword;
    const std::string written = peek().text;
    std::string hint = upperWord();
    const bool known = listed(kLockingHints, hint) || listed(kTuningHints, hint);
    if (keyword && !known) fail();  // WHERE, ORDER...: the list ended early
    for (const auto& [refused, form] : kRefusedHints) {
      if (hint == refused) unsupported(form);
    }
    if (!known) throwSqlError(321, {written}, line);
    if (const int i = isolationOf(hint); i != 0) {
      if (isolation != 0 && isolation != i) throwSqlError(1047, {}, line);
      isolation = i;
    }
    if ((hint == "NOLOCK" || hint == "READUNCOMMITTED") &&
        std::any_of(hints.begin(), hints.end(),
                    [](const std::string& h) { return h == "UPDLOCK" || h == "XLOCK"; }))
      throwSqlError(1047, {}, line);
    if ((hint == "UPDLOCK" || hint == "XLOCK") && isolation == 1) throwSqlError(1047, {}, line);
    if (hint == "INDEX") {
      hint = indexHint();
    } else if (hint == "FORCESEEK" && isSymbol("(")) {
      skipParenthesised();
    } else if (hint == "SPATIAL_WINDOW_MAX_CELLS") {
      expectSymbol("=");
      if (peek().kind != TokenKind::Integer) fail();
      next();
    }
    hints.push_back(std::move(hint));
    acceptSymbol(",");  // the commas between hints are optional
  } while (withWith && !isSymbol(")"));
  expectSymbol(")");
  return hints;
}

std::string Parser::indexHint() {
  // INDEX (a, b) lists indexes; INDEX = a and INDEX = (a) name one.
  const bool many = isSymbol("(");
  if (!many) expectSymbol("=");
  const bool parenthesised = acceptSymbol("(");
  std::string hint = "INDEX(";
  do {
    if (peek().kind != TokenKind::Integer && !isName()) fail();
    hint += (hint.back() == '(' ? "" : ",") + next().text;
  } while (many && acceptSymbol(","));
  if (parenthesised) expectSymbol(")");
  return hint + ")";
}

void Parser::refuseChangeTargetHints(const std::vector<std::string>& hints) const {
  for (const std::string& h : hints) {
    if (h == "NOLOCK" || h == "READUNCOMMITTED") throwSqlError(1065, {}, peek().line);
  }
}

}  // namespace mls::tsql
