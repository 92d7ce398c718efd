// Expressions, by T-SQL precedence from loosest to tightest: OR; AND; NOT;
// comparisons (also with ANY, SOME, ALL), IS [NOT] NULL, IS [NOT] DISTINCT
// FROM, LIKE, BETWEEN, IN; + - & | ^ (and the refused || << >>); * / %;
// unary - + ~; COLLATE, AT TIME ZONE and method calls after an operand.
// Conditions and values are told apart as SQL Server does: a comparison is no
// value (SELECT a > 1 is a syntax error) and a value is no condition (WHERE a
// is error 4145).
#include <span>
#include <utility>

#include "platform/common/ascii_text.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser_impl.h"

namespace mls::tsql {

using namespace ast;

namespace {

// The collations that compare as the database's own (case-insensitive,
// accent-sensitive, SQL_Latin1_General_CP1_CI_AS).
bool databaseCollation(std::string_view name) {
  return ascii::equalsNoCase(name, "DATABASE_DEFAULT") ||
         ascii::equalsNoCase(name, "SQL_Latin1_General_CP1_CI_AS");
}

bool digitsAt(std::string_view s, size_t from, size_t count) {
  if (from + count > s.size()) return false;
  for (size_t i = from; i < from + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

// hh:mm:ss[.f...] from `from` to the end.
bool odbcTime(std::string_view s, size_t from) {
  if (!digitsAt(s, from, 2) || s.substr(from + 2, 1) != ":" || !digitsAt(s, from + 3, 2) ||
      s.substr(from + 5, 1) != ":" || !digitsAt(s, from + 6, 2))
    return false;
  const size_t end = from + 8;
  return end == s.size() || (s[end] == '.' && s.size() > end + 1 && digitsAt(s, end + 1, s.size() - end - 1));
}

// yyyy-mm-dd at the start.
bool odbcDate(std::string_view s) {
  return digitsAt(s, 0, 4) && s.substr(4, 1) == "-" && digitsAt(s, 5, 2) && s.substr(7, 1) == "-" &&
         digitsAt(s, 8, 2);
}

ExprPtr word(std::string w, Pos at) {
  return std::make_unique<ColumnRef>(std::vector<std::string>{std::move(w)}, at);
}

ExprPtr call(std::string name, std::vector<ExprPtr> args, Pos at) {
  auto f = std::make_unique<FunctionCall>(at);
  f->name.parts.push_back(std::move(name));
  f->name.pos = at;
  f->args = std::move(args);
  return f;
}

ExprPtr castTo(std::string type, ExprPtr operand, Pos at) {
  auto c = std::make_unique<CastExpr>(at);
  c->operand = std::move(operand);
  c->type.name = std::move(type);
  c->type.pos = at;
  return c;
}

// What stands for a form the engine refuses, when the text is only checked.
ExprPtr standInValue(Pos at) {
  return std::make_unique<Literal>(LiteralKind::Null, "NULL", at);
}

ExprPtr standInCondition(Pos at) {
  return std::make_unique<IsNullExpr>(standInValue(at), false, at);
}

template <class... E>
std::vector<ExprPtr> list(E... e) {
  std::vector<ExprPtr> out;
  (out.push_back(std::move(e)), ...);
  return out;
}

}  // namespace

ExprPtr Parser::condition() {
  ExprPtr e = orExpr();
  requireCondition(*e);
  return e;
}

ExprPtr Parser::value() {
  return additive(false);
}

ExprPtr Parser::valueOrDefault() {
  if (!isKeyword("DEFAULT")) return value();
  Pos at = pos();
  next();
  return std::make_unique<DefaultExpr>(at);
}

ExprPtr Parser::orExpr() {
  ExprPtr left = andExpr();
  ChainGuard chain(*this);
  while (isKeyword("OR")) {
    chain.grow();
    Pos at = pos();
    requireCondition(*left);
    next();
    ExprPtr right = andExpr();
    requireCondition(*right);
    left = std::make_unique<BinaryExpr>(BinaryOp::Or, std::move(left), std::move(right), at);
  }
  return left;
}

ExprPtr Parser::andExpr() {
  ExprPtr left = notExpr();
  ChainGuard chain(*this);
  while (isKeyword("AND")) {
    chain.grow();
    Pos at = pos();
    requireCondition(*left);
    next();
    ExprPtr right = notExpr();
    requireCondition(*right);
    left = std::make_unique<BinaryExpr>(BinaryOp::And, std::move(left), std::move(right), at);
  }
  return left;
}

ExprPtr Parser::notExpr() {
  DepthGuard guard(*this);
  if (isKeyword("NOT")) {
    Pos at = pos();
    next();
    ExprPtr operand = notExpr();
    requireCondition(*operand);
    return std::make_unique<UnaryExpr>(UnaryOp::Not, std::move(operand), at);
  }
  return comparison();
}

namespace {

bool comparisonOp(const Token& t, BinaryOp& op) {
  if (t.kind != TokenKind::Symbol) return false;
  const std::string& s = t.text;
  if (s == "=")
    op = BinaryOp::Eq;
  else if (s == "<>" || s == "!=")
    op = BinaryOp::Ne;
  else if (s == "<")
    op = BinaryOp::Lt;
  else if (s == ">")
    op = BinaryOp::Gt;
  else if (s == "<=" || s == "!>")
    op = BinaryOp::Le;
  else if (s == ">=" || s == "!<")
    op = BinaryOp::Ge;
  else
    return false;
  return true;
}

}  // namespace

ExprPtr Parser::comparison() {
  Pos at = pos();
  ExprPtr left = additive(true);
  if (isPredicate(*left)) return left;  // a parenthesised condition

  BinaryOp op;
  if (comparisonOp(peek(), op)) {
    next();
    return compared(std::move(left), op, at);
  }
  if (acceptKeyword("IS")) return isTest(std::move(left), at);
  bool negated = false;
  if (isKeyword("NOT") && (isKeyword("LIKE", 1) || isKeyword("IN", 1) || isKeyword("BETWEEN", 1))) {
    next();
    negated = true;
  }
  if (acceptKeyword("LIKE")) return likePredicate(std::move(left), negated, at);
  if (acceptKeyword("BETWEEN")) return betweenPredicate(std::move(left), negated, at);
  if (acceptKeyword("IN")) return inPredicate(std::move(left), negated, at);
  return left;
}

// After the operator: the right operand, or ANY, SOME or ALL (subquery).
ExprPtr Parser::compared(ExprPtr left, BinaryOp op, Pos at) {
  if ((isKeyword("ANY") || isKeyword("SOME") || isKeyword("ALL")) && isSymbol("(", 1)) {
    auto quantified = std::make_unique<QuantifiedExpr>(at);
    quantified->op = op;
    quantified->all = next().text == "ALL";
    quantified->operand = std::move(left);
    expectSymbol("(");
    quantified->query = subquery();
    expectSymbol(")");
    return quantified;
  }
  ExprPtr right = additive(false);
  return std::make_unique<BinaryExpr>(op, std::move(left), std::move(right), at);
}

// After IS: [NOT] NULL, or [NOT] DISTINCT FROM (equality that holds NULL
// equal to NULL).
ExprPtr Parser::isTest(ExprPtr left, Pos at) {
  bool negated = acceptKeyword("NOT");
  if (acceptKeyword("DISTINCT")) {
    expectKeyword("FROM");
    ExprPtr right = additive(false);
    return std::make_unique<BinaryExpr>(negated ? BinaryOp::NotDistinct : BinaryOp::Distinct, std::move(left),
                                        std::move(right), at);
  }
  expectKeyword("NULL");
  return std::make_unique<IsNullExpr>(std::move(left), negated, at);
}

ExprPtr Parser::likePredicate(ExprPtr left, bool negated, Pos at) {
  auto like = std::make_unique<LikeExpr>(at);
  like->operand = std::move(left);
  like->pattern = additive(false);
  if (acceptKeyword("ESCAPE")) {
    like->escape = additive(false);
  } else if (isSymbol("{") && isKeyword("ESCAPE", 1)) {  // ODBC's {escape '\'}
    next();
    next();
    like->escape = additive(false);
    expectSymbol("}");
  }
  like->negated = negated;
  return like;
}

ExprPtr Parser::betweenPredicate(ExprPtr left, bool negated, Pos at) {
  auto between = std::make_unique<BetweenExpr>(at);
  between->operand = std::move(left);
  between->low = additive(false);
  expectKeyword("AND");
  between->high = additive(false);
  between->negated = negated;
  return between;
}

// After IN: a subquery or a list of values.
ExprPtr Parser::inPredicate(ExprPtr left, bool negated, Pos at) {
  expectSymbol("(");
  if (isKeyword("SELECT")) {
    auto in = std::make_unique<InSubqueryExpr>(at);
    in->operand = std::move(left);
    in->query = subquery();
    in->negated = negated;
    expectSymbol(")");
    return in;
  }
  auto in = std::make_unique<InListExpr>(at);
  in->operand = std::move(left);
  do {
    in->list.push_back(value());
  } while (acceptSymbol(","));
  expectSymbol(")");
  in->negated = negated;
  return in;
}

namespace {

bool additiveOp(const Token& t, BinaryOp& op) {
  if (t.kind != TokenKind::Symbol || t.text.size() != 1) return false;
  switch (t.text[0]) {
    case '+':
      op = BinaryOp::Add;
      return true;
    case '-':
      op = BinaryOp::Sub;
      return true;
    case '&':
      op = BinaryOp::BitAnd;
      return true;
    case '|':
      op = BinaryOp::BitOr;
      return true;
    case '^':
      op = BinaryOp::BitXor;
      return true;
    default:
      return false;
  }
}

bool multiplicativeOp(const Token& t, BinaryOp& op) {
  if (t.kind != TokenKind::Symbol || t.text.size() != 1) return false;
  switch (t.text[0]) {
    case '*':
      op = BinaryOp::Mul;
      return true;
    case '/':
      op = BinaryOp::Div;
      return true;
    case '%':
      op = BinaryOp::Mod;
      return true;
    default:
      return false;
  }
}

}  // namespace

ExprPtr Parser::additive(bool conditionFirst) {
  Pos at = pos();
  ExprPtr left = multiplicative(conditionFirst);
  BinaryOp op = BinaryOp::Add;
  ChainGuard chain(*this);
  while (true) {
    const bool refused = isSymbol("||") || isSymbol("<<") || isSymbol(">>");
    if (!refused && !additiveOp(peek(), op)) return left;
    chain.grow();
    if (isPredicate(*left)) fail();
    if (refused) refuse("The " + peek().text + " operator");  // the left operand stands in
    next();
    ExprPtr right = multiplicative(false);
    if (!refused) left = std::make_unique<BinaryExpr>(op, std::move(left), std::move(right), at);
  }
}

ExprPtr Parser::multiplicative(bool conditionFirst) {
  Pos at = pos();
  ExprPtr left = unary(conditionFirst);
  BinaryOp op;
  ChainGuard chain(*this);
  while (multiplicativeOp(peek(), op)) {
    chain.grow();
    if (isPredicate(*left)) fail();
    next();
    ExprPtr right = unary(false);
    left = std::make_unique<BinaryExpr>(op, std::move(left), std::move(right), at);
  }
  return left;
}

ExprPtr Parser::unary(bool conditionFirst) {
  DepthGuard guard(*this);
  Pos at = pos();
  UnaryOp op;
  if (isSymbol("-"))
    op = UnaryOp::Minus;
  else if (isSymbol("+"))
    op = UnaryOp::Plus;
  else if (isSymbol("~"))
    op = UnaryOp::BitNot;
  else
    return postfix(primary(conditionFirst));
  next();
  return std::make_unique<UnaryExpr>(op, unary(false), at);
}

ExprPtr Parser::postfix(ExprPtr e) {
  while (true) {
    if (isKeyword("COLLATE")) {
      e = collate(std::move(e));
    } else if (isWord("AT") && isWord("TIME", 1) && isWord("ZONE", 2)) {
      refuse("AT TIME ZONE");  // no datetimeoffset here
      i_ += 3;
      primary(false);
    } else if (isSymbol(".") && isName(1)) {
      // a method or property of a CLR or xml value: CAST(x AS xml).value(...)
      refuse("The method call ." + peek(1).text);
      i_ += 2;
      if (isSymbol("(")) skipParenthesised();
    } else {
      return e;
    }
  }
}

ExprPtr Parser::collate(ExprPtr operand) {
  auto c = std::make_unique<CollateExpr>(pos());
  expectKeyword("COLLATE");
  c->collation = name();
  if (!databaseCollation(c->collation)) refuse("COLLATE " + c->collation);
  c->operand = std::move(operand);
  return c;
}

bool Parser::startsExpression() const {
  const Token& t = peek();
  if (isConstant(t.kind)) return true;
  switch (t.kind) {
    case TokenKind::Identifier:
    case TokenKind::QuotedIdentifier:
    case TokenKind::Variable:
    case TokenKind::SystemVariable:
    case TokenKind::Parameter:
      return true;
    case TokenKind::Keyword:
      return t.text == "NULL" || t.text == "CASE" || t.text == "CONVERT" || t.text == "COALESCE" ||
             t.text == "NULLIF" || t.text == "CURRENT_TIMESTAMP" || t.text == "CURRENT_DATE" ||
             ((t.text == "LEFT" || t.text == "RIGHT") && isSymbol("(", 1));
    case TokenKind::Symbol:
      return t.text == "(" || t.text == "-" || t.text == "+" || t.text == "~" || t.text == "{" ||
             t.text.starts_with("$");
    default:
      return false;
  }
}

ExprPtr Parser::primary(bool conditionFirst) {
  const Token& t = peek();
  Pos at = pos();
  switch (t.kind) {
    case TokenKind::Integer:
      return std::make_unique<Literal>(LiteralKind::Integer, next().text, at);
    case TokenKind::Decimal:
      return std::make_unique<Literal>(LiteralKind::Decimal, next().text, at);
    case TokenKind::Float:
      return std::make_unique<Literal>(LiteralKind::Float, next().text, at);
    case TokenKind::Money:
      return std::make_unique<Literal>(LiteralKind::Money, next().text, at);
    case TokenKind::Binary:
      // no binary type here; a stand-in when the form is only read through
      refuse("A binary constant (" + next().text + ")");
      return standInValue(at);
    case TokenKind::String:
      return std::make_unique<Literal>(LiteralKind::String, next().text, at);
    case TokenKind::NString:
      return std::make_unique<Literal>(LiteralKind::NString, next().text, at);
    case TokenKind::Variable:
      return std::make_unique<Variable>(next().text, at);
    case TokenKind::SystemVariable:
      return std::make_unique<GlobalVariable>(next().text, at);
    case TokenKind::Parameter:
      next();
      return std::make_unique<Parameter>(++parameters_, at);
    case TokenKind::Identifier:
      if (conditionFirst && isWord("MATCH") && isSymbol("(", 1)) {
        refuse("MATCH (graph search)");
        next();
        skipParenthesised();
        return standInCondition(at);
      }
      return namePrimary(at);
    case TokenKind::QuotedIdentifier:
      return namePrimary(at);
    case TokenKind::Keyword:
      return keywordPrimary(conditionFirst, at);
    case TokenKind::Symbol:
      if (t.text == "(") {
        next();
        if (isKeyword("SELECT")) {
          auto sub = std::make_unique<SubqueryExpr>(at);
          sub->query = subquery();
          expectSymbol(")");
          return sub;
        }
        ExprPtr inner = conditionFirst ? orExpr() : value();
        expectSymbol(")");
        return inner;
      }
      if (t.text == "{") return odbcEscape(at);
      if (t.text.starts_with("$")) return pseudoColumn(at);
      fail();
    default:
      fail();
  }
}

// CAST (...), a column reference or a function call.
ExprPtr Parser::namePrimary(Pos at) {
  const Token& t = peek();
  if (t.kind == TokenKind::Identifier && isWord("CAST") && isSymbol("(", 1)) {
    next();
    next();
    auto cast = std::make_unique<CastExpr>(at);
    cast->operand = value();
    expectKeyword("AS");
    cast->type = typeName();
    expectSymbol(")");
    return cast;
  }
  if (t.kind == TokenKind::Identifier && isWord("IIF") && isSymbol("(", 1)) return iif(at);
  for (std::string_view form : {"TRY_CAST", "TRY_CONVERT", "PARSE", "TRY_PARSE", "JSON_OBJECT", "JSON_ARRAY",
                                "JSON_OBJECTAGG", "JSON_ARRAYAGG"}) {
    if (t.kind == TokenKind::Identifier && isWord(form) && isSymbol("(", 1)) {
      refuse(form);
      next();
      skipParenthesised();
      return standInValue(at);
    }
  }
  if (t.kind == TokenKind::Identifier && isWord("TRIM") && isSymbol("(", 1)) return trim(at);
  if (t.kind == TokenKind::Identifier && isWord("NEXT") && isWord("VALUE", 1) && isKeyword("FOR", 2)) {
    refuse("NEXT VALUE FOR (sequences)");
    i_ += 3;
    objectName();
    if (acceptKeyword("OVER")) skipParenthesised();
    return standInValue(at);
  }
  std::vector<std::string> parts{next().text};
  while (isSymbol(".") && isName(1) && parts.size() < 4) {
    next();
    parts.push_back(next().text);
  }
  if (isSymbol("::") && isName(1)) {  // geography::Point(...), hierarchyid::GetRoot()
    refuse(parts.back() + "::" + peek(1).text + " (the methods of CLR types)");
    i_ += 2;
    if (isSymbol("(")) skipParenthesised();
    return standInValue(at);
  }
  if (isSymbol("(")) {
    ObjectName fn;
    fn.parts = std::move(parts);
    fn.pos = at;
    return functionCall(std::move(fn), at);
  }
  return std::make_unique<ColumnRef>(std::move(parts), at);
}

// NULL, CASE, EXISTS (in a condition), CONVERT and the functions named by keywords.
ExprPtr Parser::keywordPrimary(bool conditionFirst, Pos at) {
  const Token& t = peek();
  if (t.text == "NULL") {
    next();
    return std::make_unique<Literal>(LiteralKind::Null, "NULL", at);
  }
  if (t.text == "CASE") return caseExpr();
  if (t.text == "CURRENT_TIMESTAMP") {  // GETDATE() by its standard name
    next();
    return call("GETDATE", {}, at);
  }
  if (t.text == "CURRENT_DATE") {  // CAST(GETDATE() AS DATE)
    next();
    return castTo("DATE", call("GETDATE", {}, at), at);
  }
  if (t.text == "IDENTITYCOL" || t.text == "ROWGUIDCOL") {
    refuse(next().text);
    return standInValue(at);
  }
  if (t.text == "CURRENT_USER" || t.text == "SESSION_USER" || t.text == "SYSTEM_USER" || t.text == "USER") {
    refuse(next().text);
    return standInValue(at);
  }
  if (t.text == "EXISTS" && conditionFirst) {
    next();
    auto exists = std::make_unique<ExistsExpr>(at);
    expectSymbol("(");
    exists->query = subquery();
    expectSymbol(")");
    return exists;
  }
  if ((t.text == "CONTAINS" || t.text == "FREETEXT") && conditionFirst && isSymbol("(", 1))
    return fullTextPredicate(at);
  if (t.text == "CONVERT") {
    next();
    auto convert = std::make_unique<ConvertExpr>(at);
    expectSymbol("(");
    convert->type = typeName();
    expectSymbol(",");
    convert->operand = value();
    if (acceptSymbol(",")) convert->style = value();
    expectSymbol(")");
    return convert;
  }
  if ((t.text == "LEFT" || t.text == "RIGHT" || t.text == "COALESCE" || t.text == "NULLIF") &&
      isSymbol("(", 1)) {
    ObjectName fn;
    fn.parts.push_back(next().text);
    fn.pos = at;
    return functionCall(std::move(fn), at);
  }
  fail();
}

ExprPtr Parser::functionCall(ObjectName name, Pos at) {
  auto call = std::make_unique<FunctionCall>(at);
  call->name = std::move(name);
  expectSymbol("(");
  if (isSymbol("*") && isSymbol(")", 1)) {
    next();
    next();
    call->star = true;
  } else if (!acceptSymbol(")")) {
    if (acceptKeyword("DISTINCT"))
      call->distinct = true;
    else
      acceptKeyword("ALL");
    do {
      call->args.push_back(value());
    } while (acceptSymbol(","));
    expectSymbol(")");
  }
  if (isWord("WITHIN") && isKeyword("GROUP", 1)) {  // STRING_AGG(...) WITHIN GROUP (ORDER BY ...)
    refuse("WITHIN GROUP");
    i_ += 2;
    skipParenthesised();
  }
  if ((isWord("IGNORE") || isWord("RESPECT")) && isWord("NULLS", 1)) {
    refuse(ascii::upperCase(peek().text) + " NULLS");
    i_ += 2;
  }
  if (isKeyword("OVER")) {
    refuse("OVER (window functions)");
    next();
    if (isName())
      next();  // a window the query's WINDOW clause names
    else
      skipParenthesised();
  }
  return call;
}

// $IDENTITY and $ROWGUID (a table's identity and ROWGUIDCOL columns) and
// $PARTITION.function(value).
ExprPtr Parser::pseudoColumn(Pos at) {
  const std::string form = peek().text;
  refuse(form);
  next();
  if (form == "$PARTITION") {
    expectSymbol(".");
    name();
    skipParenthesised();
  }
  return standInValue(at);
}

// TRIM(s) is LTRIM(RTRIM(s)): both strip spaces.  TRIM(chars FROM s) and the
// LEADING, TRAILING and BOTH forms are refused.
ExprPtr Parser::trim(Pos at) {
  next();
  const size_t start = i_;
  expectSymbol("(");
  if (!isWord("LEADING") && !isWord("TRAILING") && !isWord("BOTH")) {
    ExprPtr operand = value();
    if (acceptSymbol(")")) return call("LTRIM", list(call("RTRIM", list(std::move(operand)), at)), at);
    if (!isKeyword("FROM")) fail();
  }
  refuse("TRIM (... FROM ...)");
  i_ = start;
  skipParenthesised();
  return standInValue(at);
}

// IIF(c, a, b) is CASE WHEN c THEN a ELSE b END, as SQL Server reads it.
ExprPtr Parser::iif(Pos at) {
  next();
  expectSymbol("(");
  auto c = std::make_unique<CaseExpr>(at);
  CaseExpr::When w;
  w.when = condition();
  expectSymbol(",");
  w.then = value();
  expectSymbol(",");
  c->elseValue = value();
  expectSymbol(")");
  c->whens.push_back(std::move(w));
  requireTypedResult(*c);
  return c;
}

ExprPtr Parser::fullTextPredicate(Pos at) {
  refuse(next().text + " (full-text search)");
  skipParenthesised();
  return standInCondition(at);
}

// The escapes' values are datetime, as on SQL Server: {d} at midnight, {t} on
// the current day.  Text of the ODBC form is read as ISO 8601, whatever the
// date order; other text is converted as any date text.
ExprPtr Parser::odbcEscape(Pos at) {
  expectSymbol("{");
  const std::string kind = peek().kind == TokenKind::Identifier ? ascii::upperCase(peek().text) : "";
  if (kind == "FN") {
    next();
    ExprPtr e = odbcFunction(at);
    expectSymbol("}");
    return e;
  }
  if (kind == "GUID" && peek(1).kind == TokenKind::String) {
    refuse("{guid} (uniqueidentifier)");
    i_ += 2;
    expectSymbol("}");
    return standInValue(at);
  }
  if ((kind != "D" && kind != "T" && kind != "TS") || peek(1).kind != TokenKind::String) fail();
  next();
  std::string text = next().text;
  expectSymbol("}");
  if (kind == "D" && text.size() == 10 && odbcDate(text)) text += "T00:00:00";
  if (kind == "TS" && odbcDate(text) && text.size() > 11 && text[10] == ' ' && odbcTime(text, 11))
    text[10] = 'T';
  if (kind == "T" && odbcTime(text, 0)) text = "1900-01-01T" + text;
  ExprPtr value = castTo("DATETIME", std::make_unique<Literal>(LiteralKind::String, text, at), at);
  if (kind != "T") return value;
  // DATEADD(day, DATEDIFF(day, 0, GETDATE()), time)
  ExprPtr today = call("DATEDIFF",
                       list(word("day", at), std::make_unique<Literal>(LiteralKind::Integer, "0", at),
                            call("GETDATE", {}, at)),
                       at);
  return call("DATEADD", list(word("day", at), std::move(today), std::move(value)), at);
}

namespace {

// ODBC's scalar functions written as a T-SQL function of their arguments,
// with a datepart before them where `datepart` is set.  Those with no
// `tsql` are refused: the engine lacks the T-SQL function or the type
// (ASCII, STUFF, SOUNDEX, the trigonometric ones, time, USER_NAME), or no
// T-SQL function gives their value for every type (BIT_LENGTH,
// OCTET_LENGTH, CHAR_LENGTH count trailing blanks and the bytes of numbers;
// CONCAT takes NULL as empty).  The forms written otherwise are
// Parser::odbcForm's.
struct OdbcMapping {
  std::string_view odbc;
  const char* tsql;
  const char* datepart = nullptr;
};

constexpr OdbcMapping kOdbcFunctions[] = {
    // strings
    {"ASCII", nullptr},
    {"BIT_LENGTH", nullptr},
    {"CHAR", "CHAR"},
    {"CHAR_LENGTH", nullptr},
    {"CHARACTER_LENGTH", nullptr},
    {"CONCAT", nullptr},
    {"DIFFERENCE", nullptr},
    {"INSERT", nullptr},
    {"LCASE", "LOWER"},
    {"LEFT", "LEFT"},
    {"LENGTH", "LEN"},
    {"LOCATE", "CHARINDEX"},
    {"LTRIM", "LTRIM"},
    {"OCTET_LENGTH", nullptr},
    {"REPEAT", "REPLICATE"},
    {"REPLACE", "REPLACE"},
    {"RIGHT", "RIGHT"},
    {"RTRIM", "RTRIM"},
    {"SOUNDEX", nullptr},
    {"SPACE", "SPACE"},
    {"SUBSTRING", "SUBSTRING"},
    {"UCASE", "UPPER"},
    // numbers
    {"ABS", "ABS"},
    {"ACOS", nullptr},
    {"ASIN", nullptr},
    {"ATAN", nullptr},
    {"ATAN2", nullptr},
    {"CEILING", "CEILING"},
    {"COS", nullptr},
    {"COT", nullptr},
    {"DEGREES", nullptr},
    {"EXP", nullptr},
    {"FLOOR", "FLOOR"},
    {"LOG", nullptr},
    {"LOG10", nullptr},
    {"PI", nullptr},
    {"POWER", "POWER"},
    {"RADIANS", nullptr},
    {"RAND", nullptr},
    {"ROUND", "ROUND"},
    {"SIGN", "SIGN"},
    {"SIN", nullptr},
    {"SQRT", nullptr},
    {"TAN", nullptr},
    // dates and times
    {"CURRENT_TIME", nullptr},
    {"CURTIME", nullptr},
    {"DAYNAME", "DATENAME", "weekday"},
    {"DAYOFMONTH", "DAY"},
    {"DAYOFWEEK", "DATEPART", "weekday"},
    {"DAYOFYEAR", "DATEPART", "dayofyear"},
    {"HOUR", "DATEPART", "hour"},
    {"MINUTE", "DATEPART", "minute"},
    {"MONTH", "MONTH"},
    {"MONTHNAME", "DATENAME", "month"},
    {"NOW", "GETDATE"},
    {"QUARTER", "DATEPART", "quarter"},
    {"SECOND", "DATEPART", "second"},
    {"WEEK", "DATEPART", "week"},
    {"YEAR", "YEAR"},
    // system
    {"DATABASE", "DB_NAME"},
    {"IFNULL", "ISNULL"},
    {"USER", nullptr},
};

using OdbcWord = std::pair<std::string_view, const char*>;

// TIMESTAMPADD's and TIMESTAMPDIFF's intervals as dateparts; SQL_TSI_FRAC_SECOND
// (billionths of a second, finer than datetime) is refused.
constexpr OdbcWord kOdbcIntervals[] = {
    {"SQL_TSI_FRAC_SECOND", nullptr}, {"SQL_TSI_SECOND", "second"},   {"SQL_TSI_MINUTE", "minute"},
    {"SQL_TSI_HOUR", "hour"},         {"SQL_TSI_DAY", "day"},         {"SQL_TSI_WEEK", "week"},
    {"SQL_TSI_MONTH", "month"},       {"SQL_TSI_QUARTER", "quarter"}, {"SQL_TSI_YEAR", "year"},
};

// {fn CONVERT}'s SQL_ types as T-SQL types (text of CONVERT's default
// length, 30); those the engine has no values of (binary, time, guid,
// intervals) are refused.
constexpr OdbcWord kOdbcTypes[] = {
    {"SQL_BIGINT", "BIGINT"},
    {"SQL_BIT", "BIT"},
    {"SQL_CHAR", "CHAR"},
    {"SQL_DATE", "DATE"},
    {"SQL_DECIMAL", "DECIMAL"},
    {"SQL_DOUBLE", "FLOAT"},
    {"SQL_FLOAT", "FLOAT"},
    {"SQL_INTEGER", "INT"},
    {"SQL_LONGVARCHAR", "VARCHAR(MAX)"},
    {"SQL_NUMERIC", "NUMERIC"},
    {"SQL_REAL", "REAL"},
    {"SQL_SMALLINT", "SMALLINT"},
    {"SQL_TIMESTAMP", "DATETIME"},
    {"SQL_TINYINT", "TINYINT"},
    {"SQL_VARCHAR", "VARCHAR"},
    {"SQL_WCHAR", "NCHAR"},
    {"SQL_WLONGVARCHAR", "NVARCHAR(MAX)"},
    {"SQL_WVARCHAR", "NVARCHAR"},
};

// The entry of `table` for `name`, or null.
const OdbcWord* findOdbc(std::span<const OdbcWord> table, std::string_view name) {
  for (const OdbcWord& entry : table) {
    if (entry.first == name) return &entry;
  }
  return nullptr;
}

}  // namespace

// {fn name(args)}: the ODBC functions are written as the T-SQL functions
// above or by odbcForm, or refused by name (40517); any other name is the
// T-SQL function of that name.
ExprPtr Parser::odbcFunction(Pos at) {
  if (peek().kind != TokenKind::Identifier && peek().kind != TokenKind::Keyword) fail();
  const std::string name = ascii::upperCase(peek().text);
  if (ExprPtr e = odbcForm(name, at)) return e;
  const OdbcMapping* m = nullptr;
  for (const OdbcMapping& f : kOdbcFunctions) {
    if (f.odbc == name) m = &f;
  }
  if (m && !m->tsql) {
    refuse("{fn " + name + "}");
    next();
    if (isSymbol("(")) skipParenthesised();  // CURRENT_TIME may come without
    return standInValue(at);
  }
  ObjectName fn;
  fn.parts.push_back(next().text);
  fn.pos = at;
  if (!m) return functionCall(std::move(fn), at);
  fn.parts.back() = m->tsql;
  ExprPtr e = functionCall(std::move(fn), at);
  if (m->datepart) {
    auto& args = e->as<FunctionCall>().args;
    args.insert(args.begin(), word(m->datepart, at));
  }
  return e;
}

// The ODBC functions that are no T-SQL function of the same arguments, at
// their name; null for any other name.
ExprPtr Parser::odbcForm(const std::string& name, Pos at) {
  if (name == "CURDATE" || name == "CURRENT_DATE") {  // CAST(GETDATE() AS DATE)
    next();
    expectSymbol("(");
    expectSymbol(")");
    return castTo("DATE", call("GETDATE", {}, at), at);
  }
  if (name == "CURRENT_TIMESTAMP") {  // GETDATE(), with or without ()
    next();
    if (isSymbol("(") && !isSymbol(")", 1)) {
      refuse("{fn CURRENT_TIMESTAMP(precision)}");
      skipParenthesised();
      return standInValue(at);
    }
    if (acceptSymbol("(")) expectSymbol(")");
    return call("GETDATE", {}, at);
  }
  auto arguments = [&](size_t count) {
    next();
    ObjectName fn;
    fn.parts.push_back(name);
    fn.pos = at;
    ExprPtr e = functionCall(std::move(fn), at);
    auto& args = e->as<FunctionCall>().args;
    if (args.size() != count) throwSqlError(174, {name, std::to_string(count)}, at.line);
    return std::move(args);
  };
  if (name == "TRUNCATE") {  // TRUNCATE(x, n) is ROUND(x, n, 1)
    std::vector<ExprPtr> args = arguments(2);
    args.push_back(std::make_unique<Literal>(LiteralKind::Integer, "1", at));
    return call("ROUND", std::move(args), at);
  }
  if (name == "MOD") {  // MOD(a, b) is a % b
    std::vector<ExprPtr> args = arguments(2);
    return std::make_unique<BinaryExpr>(BinaryOp::Mod, std::move(args[0]), std::move(args[1]), at);
  }
  if (name == "POSITION") {  // POSITION(a IN b) is CHARINDEX(a, b)
    next();
    expectSymbol("(");
    ExprPtr sought = value();
    expectKeyword("IN");
    ExprPtr in = value();
    expectSymbol(")");
    return call("CHARINDEX", list(std::move(sought), std::move(in)), at);
  }
  if (name == "EXTRACT") {  // EXTRACT(YEAR FROM d) is DATEPART(year, d)
    next();
    expectSymbol("(");
    const std::string field = peek().kind == TokenKind::Identifier ? ascii::upperCase(peek().text) : "";
    if (field != "YEAR" && field != "MONTH" && field != "DAY" && field != "HOUR" && field != "MINUTE" &&
        field != "SECOND")
      fail();
    next();
    expectKeyword("FROM");
    ExprPtr source = value();
    expectSymbol(")");
    return call("DATEPART", list(word(ascii::lowerCase(field), at), std::move(source)), at);
  }
  if (name == "TIMESTAMPADD" || name == "TIMESTAMPDIFF") {  // DATEADD and DATEDIFF
    next();
    const size_t start = i_;
    expectSymbol("(");
    const std::string interval = ascii::upperCase(peek().text);
    const OdbcWord* part =
        peek().kind == TokenKind::Identifier ? findOdbc(kOdbcIntervals, interval) : nullptr;
    if (!part) fail();
    if (!part->second) {
      refuse("{fn " + name + "(" + interval + ", ...)}");
      i_ = start;
      skipParenthesised();
      return standInValue(at);
    }
    next();
    expectSymbol(",");
    ExprPtr a = value();
    expectSymbol(",");
    ExprPtr b = value();
    expectSymbol(")");
    return call(name == "TIMESTAMPADD" ? "DATEADD" : "DATEDIFF",
                list(word(part->second, at), std::move(a), std::move(b)), at);
  }
  if (name == "CONVERT") {  // CONVERT(x, SQL_INTEGER) is CONVERT(INT, x)
    next();
    const size_t start = i_;
    expectSymbol("(");
    auto convert = std::make_unique<ConvertExpr>(at);
    convert->operand = value();
    expectSymbol(",");
    const Pos typeAt = pos();
    const std::string type = ascii::upperCase(peek().text);
    const OdbcWord* t = findOdbc(kOdbcTypes, type);
    if (!t && (peek().kind != TokenKind::Identifier || !type.starts_with("SQL_"))) fail();
    if (!t) {
      refuse("{fn CONVERT(..., " + type + ")}");
      i_ = start;
      skipParenthesised();
      return standInValue(at);
    }
    next();
    expectSymbol(")");
    std::string_view tsql = t->second;
    convert->type.pos = typeAt;
    convert->type.max = tsql.ends_with("(MAX)");
    convert->type.name = std::string(tsql.substr(0, tsql.find('(')));
    return convert;
  }
  return nullptr;
}

ExprPtr Parser::caseExpr() {
  auto c = std::make_unique<CaseExpr>(pos());
  expectKeyword("CASE");
  if (!isKeyword("WHEN")) c->operand = value();
  if (!isKeyword("WHEN")) fail();
  while (acceptKeyword("WHEN")) {
    CaseExpr::When w;
    w.when = c->operand ? value() : condition();
    expectKeyword("THEN");
    w.then = value();
    c->whens.push_back(std::move(w));
  }
  if (acceptKeyword("ELSE")) c->elseValue = value();
  expectKeyword("END");
  requireTypedResult(*c);
  return c;
}

// A CASE (or IIF) whose results are all the NULL constant (no ELSE gives
// NULL) has no type: 8133.  Where refused forms were only noted, their
// stand-ins are no NULL of the text.
void Parser::requireTypedResult(const CaseExpr& c) const {
  if (unsupported_ && !unsupported_->empty()) return;
  auto nullConstant = [](const ExprPtr& e) {
    return !e || (e->kind == ExprKind::Literal && e->as<Literal>().literal == LiteralKind::Null);
  };
  if (!nullConstant(c.elseValue)) return;
  for (const CaseExpr::When& w : c.whens) {
    if (!nullConstant(w.then)) return;
  }
  throwSqlError(8133, {}, c.pos.line);
}

}  // namespace mls::tsql
