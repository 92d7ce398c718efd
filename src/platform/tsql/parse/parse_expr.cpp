// Expressions, by T-SQL precedence from loosest to tightest: OR; AND; NOT;
// comparisons, IS NULL, LIKE, BETWEEN, IN; + - & | ^; * / %; unary - + ~.
// Conditions and values are told apart as SQL Server does: a comparison is no
// value (SELECT a > 1 is a syntax error) and a value is no condition (WHERE a
// is error 4145).
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser_impl.h"

namespace mls::tsql {

using namespace ast;

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
    ExprPtr right = additive(false);
    return std::make_unique<BinaryExpr>(op, std::move(left), std::move(right), at);
  }
  if (isKeyword("IS")) {
    next();
    bool negated = acceptKeyword("NOT");
    expectKeyword("NULL");
    return std::make_unique<IsNullExpr>(std::move(left), negated, at);
  }
  bool negated = false;
  if (isKeyword("NOT") && (isKeyword("LIKE", 1) || isKeyword("IN", 1) || isKeyword("BETWEEN", 1))) {
    next();
    negated = true;
  }
  if (acceptKeyword("LIKE")) {
    auto like = std::make_unique<LikeExpr>(at);
    like->operand = std::move(left);
    like->pattern = additive(false);
    if (acceptKeyword("ESCAPE")) like->escape = additive(false);
    like->negated = negated;
    return like;
  }
  if (acceptKeyword("BETWEEN")) {
    auto between = std::make_unique<BetweenExpr>(at);
    between->operand = std::move(left);
    between->low = additive(false);
    expectKeyword("AND");
    between->high = additive(false);
    between->negated = negated;
    return between;
  }
  if (acceptKeyword("IN")) {
    expectSymbol("(");
    if (isKeyword("SELECT")) {
      auto in = std::make_unique<InSubqueryExpr>(at);
      in->operand = std::move(left);
      in->query = query();
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
  return left;
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
  BinaryOp op;
  ChainGuard chain(*this);
  while (additiveOp(peek(), op)) {
    chain.grow();
    if (isPredicate(*left)) fail();
    next();
    ExprPtr right = multiplicative(false);
    left = std::make_unique<BinaryExpr>(op, std::move(left), std::move(right), at);
  }
  return left;
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
    return primary(conditionFirst);
  next();
  return std::make_unique<UnaryExpr>(op, unary(false), at);
}

bool Parser::startsExpression() const {
  const Token& t = peek();
  switch (t.kind) {
    case TokenKind::Identifier:
    case TokenKind::QuotedIdentifier:
    case TokenKind::Variable:
    case TokenKind::SystemVariable:
    case TokenKind::Integer:
    case TokenKind::Decimal:
    case TokenKind::Float:
    case TokenKind::String:
    case TokenKind::NString:
    case TokenKind::Parameter:
      return true;
    case TokenKind::Keyword:
      return t.text == "NULL" || t.text == "CASE" || t.text == "CONVERT" || t.text == "COALESCE" ||
             t.text == "NULLIF" || ((t.text == "LEFT" || t.text == "RIGHT") && isSymbol("(", 1));
    case TokenKind::Symbol:
      return t.text == "(" || t.text == "-" || t.text == "+" || t.text == "~";
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
    case TokenKind::QuotedIdentifier:
      return namePrimary(at);
    case TokenKind::Keyword:
      return keywordPrimary(conditionFirst, at);
    case TokenKind::Symbol:
      if (t.text == "(") {
        next();
        if (isKeyword("SELECT")) {
          auto sub = std::make_unique<SubqueryExpr>(at);
          sub->query = query();
          expectSymbol(")");
          return sub;
        }
        ExprPtr inner = conditionFirst ? orExpr() : value();
        expectSymbol(")");
        return inner;
      }
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
  std::vector<std::string> parts{next().text};
  while (isSymbol(".") && isName(1) && parts.size() < 4) {
    next();
    parts.push_back(next().text);
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
  if (t.text == "EXISTS" && conditionFirst) {
    next();
    auto exists = std::make_unique<ExistsExpr>(at);
    expectSymbol("(");
    exists->query = query();
    expectSymbol(")");
    return exists;
  }
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
  if (isKeyword("OVER")) unsupported("OVER (window functions)");
  return call;
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
  return c;
}

}  // namespace mls::tsql
