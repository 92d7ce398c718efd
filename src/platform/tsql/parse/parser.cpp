// Token helpers, names and types of the parser, and its entry points.
#include "platform/tsql/parse/parser.h"

#include <cctype>

#include "platform/common/ascii_text.h"
#include "platform/tsql/errors.h"
#include "platform/tsql/parse/parser_impl.h"

namespace mls::tsql {

namespace {

using ascii::equalsNoCase;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

Parser::Parser(std::string_view text, std::vector<std::string>* unsupported)
    : text_(text), toks_(tokenize(text)), unsupported_(unsupported) {}

Parser::DepthGuard::DepthGuard(Parser& p) : p_(p) {
  if (++p_.depth_ > kMaxDepth) {
    --p_.depth_;
    throwSqlError(191, {}, p_.peek().line);
  }
}

void Parser::ChainGuard::grow(int weight) {
  p_.chain_ += weight;
  if (p_.chain_ > kMaxChain) throwSqlError(191, {}, p_.peek().line);
}

const Token& Parser::peek(size_t ahead) const {
  size_t k = i_ + ahead;
  return toks_[k < toks_.size() ? k : toks_.size() - 1];
}

bool Parser::isKeyword(std::string_view kw, size_t ahead) const {
  const Token& t = peek(ahead);
  return t.kind == TokenKind::Keyword && t.text == kw;
}

bool Parser::isWord(std::string_view word, size_t ahead) const {
  const Token& t = peek(ahead);
  return t.kind == TokenKind::Identifier && equalsNoCase(t.text, word);
}

bool Parser::isSymbol(std::string_view sym, size_t ahead) const {
  const Token& t = peek(ahead);
  return t.kind == TokenKind::Symbol && t.text == sym;
}

bool Parser::isName(size_t ahead) const {
  TokenKind k = peek(ahead).kind;
  return k == TokenKind::Identifier || k == TokenKind::QuotedIdentifier;
}

bool Parser::acceptKeyword(std::string_view kw) {
  if (!isKeyword(kw)) return false;
  next();
  return true;
}

bool Parser::acceptWord(std::string_view word) {
  if (!isWord(word)) return false;
  next();
  return true;
}

bool Parser::acceptSymbol(std::string_view sym) {
  if (!isSymbol(sym)) return false;
  next();
  return true;
}

void Parser::expectKeyword(std::string_view kw) {
  if (!acceptKeyword(kw)) fail();
}

void Parser::expectWord(std::string_view word) {
  if (!acceptWord(word)) fail();
}

void Parser::expectSymbol(std::string_view sym) {
  if (!acceptSymbol(sym)) fail();
}

void Parser::fail() const {
  // At the end of the text SQL Server names the last token it read.
  if (atEnd() && i_ > 0) failAt(toks_[std::min(i_, toks_.size() - 1) - 1]);
  failAt(peek());
}

void Parser::failAt(const Token& t) const {
  if (t.kind == TokenKind::Keyword) throwSqlError(156, {t.text}, t.line);
  throwSqlError(102, {t.text}, t.line);
}

void Parser::unsupported(std::string_view form) const {
  throwSqlError(40517, {std::string(form)}, peek().line);
}

void Parser::refuse(std::string_view form) {
  if (!unsupported_) unsupported(form);
  unsupported_->emplace_back(form);
}

bool Parser::isKeywordOrWord(std::string_view word, size_t ahead) const {
  return isKeyword(word, ahead) || isWord(word, ahead);
}

void Parser::refuseCompoundAssignment(size_t ahead) const {
  static const char* const kOperators[] = {"+", "-", "*", "/", "%", "&", "|", "^"};
  for (const char* op : kOperators) {
    if (isSymbol(op, ahead) && isSymbol("=", ahead + 1))
      unsupported(std::string("The compound assignment ") + op + "=");
  }
}

void Parser::refuseStatementTail(bool select) const {
  if (isKeyword("OPTION") && isSymbol("(", 1)) unsupported("The OPTION clause (query hints)");
  if (select && isKeyword("FOR")) unsupported("SELECT ... FOR " + peek(1).text);
  if (select && isKeyword("COMPUTE")) unsupported("COMPUTE");
}

void Parser::requireCondition(const ast::Expr& e) const {
  if (ast::isPredicate(e)) return;
  const Token& t = atEnd() && i_ > 0 ? toks_[i_ - 1] : peek();
  throwSqlError(4145, {t.text}, t.line);
}

std::string Parser::name() {
  if (!isName()) fail();
  return next().text;
}

ast::ObjectName Parser::objectName() {
  ast::ObjectName n;
  n.pos = pos();
  n.parts.push_back(name());
  while (isSymbol(".")) {
    if (n.parts.size() == 4) fail();
    next();
    // db..name: the omitted schema is an empty part
    n.parts.push_back(isSymbol(".") ? std::string() : name());
  }
  if (n.parts.back().empty()) fail();
  if (n.parts.size() >= 3) qualified_.push_back(n);
  return n;
}

std::vector<std::string> Parser::nameList() {
  std::vector<std::string> names;
  do {
    names.push_back(name());
  } while (acceptSymbol(","));
  expectSymbol(")");
  return names;
}

int64_t Parser::signedInteger() {
  bool negative = acceptSymbol("-");
  if (!negative) acceptSymbol("+");
  const Token& t = peek();
  if (t.kind != TokenKind::Integer || t.text.size() > 18) fail();
  int64_t v = std::stoll(next().text);
  return negative ? -v : v;
}

ast::TypeName Parser::typeName() {
  ast::TypeName t;
  t.pos = pos();
  if (isKeyword("DOUBLE") && isKeyword("PRECISION", 1)) {
    next();
    next();
    t.name = "DOUBLE PRECISION";
    return t;
  }
  // NATIONAL CHAR[ACTER] [VARYING], CHAR[ACTER] VARYING, BINARY VARYING
  const bool national = acceptKeyword("NATIONAL");
  if (national && !isWord("CHAR") && !isWord("CHARACTER")) fail();
  t.name = upper(name());
  const bool varying = acceptKeyword("VARYING");
  if (varying && t.name != "CHAR" && t.name != "CHARACTER" && t.name != "BINARY") fail();
  if (t.name == "CHARACTER") t.name = "CHAR";
  if (varying) t.name = "VAR" + t.name;
  if (national) t.name = "N" + t.name;
  if (acceptSymbol("(")) {
    if (acceptWord("MAX")) {
      t.max = true;
    } else {
      do {
        const Token& a = peek();
        if (a.kind != TokenKind::Integer || a.text.size() > 9) fail();
        t.args.push_back(std::stoll(next().text));
      } while (t.args.size() < 2 && acceptSymbol(","));
    }
    expectSymbol(")");
  }
  return t;
}

std::string Parser::upperWord() {
  const Token& t = peek();
  if (t.kind != TokenKind::Identifier && t.kind != TokenKind::Keyword &&
      t.kind != TokenKind::QuotedIdentifier)
    fail();
  return upper(next().text);
}

void Parser::skipParenthesised() {
  expectSymbol("(");
  int open = 1;
  while (open > 0) {
    if (atEnd() || isSymbol(";") || isKeyword("INTO")) fail();  // never a statement's end nor INTO
    if (isSymbol("(")) ++open;
    if (isSymbol(")")) --open;
    next();
  }
}

void Parser::skipWithOptions() {
  if (!acceptKeyword("WITH")) return;
  if (isSymbol("(")) {
    skipParenthesised();
    return;
  }
  do {
    upperWord();
    if (acceptSymbol("=")) {
      const Token& v = peek();
      if (v.kind == TokenKind::Symbol || v.kind == TokenKind::End) fail();
      next();
    }
  } while (acceptSymbol(","));
}

std::vector<ast::StmtPtr> Parser::batch() {
  std::vector<ast::StmtPtr> out;
  while (true) {
    while (acceptSymbol(";")) {
    }
    if (atEnd()) return out;
    out.push_back(statement());
    firstStatement_ = false;
  }
}

std::vector<ast::ParamDecl> Parser::parameterDeclarations() {
  std::vector<ast::ParamDecl> out;
  if (atEnd()) return out;
  do {
    ast::ParamDecl d;
    d.pos = pos();
    if (peek().kind != TokenKind::Variable) fail();
    d.name = next().text;
    acceptKeyword("AS");
    d.type = typeName();
    d.output = acceptWord("OUTPUT") || acceptWord("OUT");
    out.push_back(std::move(d));
  } while (acceptSymbol(","));
  if (!atEnd()) fail();
  return out;
}

ast::ExprPtr Parser::wholeExpression() {
  ast::ExprPtr e = orExpr();
  if (!atEnd()) fail();
  return e;
}

std::vector<ast::StmtPtr> parseBatch(std::string_view text) {
  return Parser(text).batch();
}

std::vector<ast::StmtPtr> parseBatch(std::string_view text, std::vector<ast::ObjectName>& qualifiedNames) {
  Parser p(text);
  std::vector<ast::StmtPtr> stmts = p.batch();
  qualifiedNames = std::move(p.qualifiedNames());
  return stmts;
}

std::vector<ast::ParamDecl> parseParameterDeclarations(std::string_view text) {
  return Parser(text).parameterDeclarations();
}

ast::ExprPtr parseExpression(std::string_view text) {
  return Parser(text).wholeExpression();
}

ast::ExprPtr parseServerExpression(std::string_view text, std::vector<std::string>& unsupported) {
  return Parser(text, &unsupported).wholeExpression();
}

}  // namespace mls::tsql
