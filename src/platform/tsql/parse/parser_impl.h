// The recursive-descent parser behind parser.h, shared by its source files:
// parser.cpp (token helpers, names, types, entry points), parse_expr.cpp,
// parse_query.cpp, parse_stmt.cpp (procedural and DML statements) and
// parse_ddl.cpp.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/parse/token.h"

namespace mls::tsql {

class Parser {
 public:
  // With `unsupported`, a form of SQL Server's expressions that the engine
  // refuses with 40517 (a binary constant, a COLLATE of another collation, a
  // full-text predicate, ...) is read through and its name added there,
  // rather than refused: a check of text that another server may run.
  explicit Parser(std::string_view text, std::vector<std::string>* unsupported = nullptr);

  std::vector<ast::StmtPtr> batch();
  // The names of three or four parts read so far outside procedure bodies,
  // in the order of the text (a body's are its Procedure's).
  std::vector<ast::ObjectName>& qualifiedNames() { return qualified_; }
  std::vector<ast::ParamDecl> parameterDeclarations();
  ast::ExprPtr wholeExpression();

 private:
  // Counts nesting; deeper than kMaxDepth is error 191.
  class DepthGuard {
   public:
    explicit DepthGuard(Parser& p);
    ~DepthGuard() { --p_.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

   private:
    Parser& p_;
  };

  // Counts the operators of chains (a + b + ..., a AND b ..., UNION, joins)
  // being built, nested chains included, and restores the count when its
  // chain is done; more than kMaxChain is error 191.  With DepthGuard it
  // bounds the depth of every tree, so that walking one recursively is safe.
  class ChainGuard {
   public:
    explicit ChainGuard(Parser& p) : p_(p), saved_(p.chain_) {}
    ~ChainGuard() { p_.chain_ = saved_; }
    ChainGuard(const ChainGuard&) = delete;
    ChainGuard& operator=(const ChainGuard&) = delete;
    void grow(int weight = 1);

   private:
    Parser& p_;
    int saved_;
  };

  // ---- tokens (parser.cpp)
  const Token& peek(size_t ahead = 0) const;
  const Token& next() { return toks_[i_ < toks_.size() - 1 ? i_++ : i_]; }
  ast::Pos pos() const { return {peek().line, peek().column}; }
  bool atEnd() const { return peek().kind == TokenKind::End; }
  bool isKeyword(std::string_view kw, size_t ahead = 0) const;
  // A plain identifier spelled `word` (any case): the non-reserved words the
  // grammar gives meaning (NOCOUNT, ROLLUP, OUTPUT, ...).
  bool isWord(std::string_view word, size_t ahead = 0) const;
  bool isSymbol(std::string_view sym, size_t ahead = 0) const;
  bool isName(size_t ahead = 0) const;  // Identifier or QuotedIdentifier
  bool acceptKeyword(std::string_view kw);
  bool acceptWord(std::string_view word);
  bool acceptSymbol(std::string_view sym);
  void expectKeyword(std::string_view kw);
  void expectWord(std::string_view word);
  void expectSymbol(std::string_view sym);
  // Error 102 / 156 near the current token (at the end: the last token).
  [[noreturn]] void fail() const;
  [[noreturn]] void failAt(const Token& t) const;
  // Error 40517 naming `form`: a T-SQL form the engine does not have.
  [[noreturn]] void unsupported(std::string_view form) const;
  // 40517 naming `form`, for a form the parser reads through: with an
  // `unsupported` list the form is only added there and parsing goes on.
  void refuse(std::string_view form);
  // A keyword or a plain identifier spelled `word`.
  bool isKeywordOrWord(std::string_view word, size_t ahead = 0) const;
  // Refuses a compound assignment (+=, -=, ...) `ahead` tokens on.
  void refuseCompoundAssignment(size_t ahead = 0) const;
  // Refuses what may end a statement that the engine does not have: OPTION
  // (...) query hints, and for SELECT a FOR XML / BROWSE / JSON clause.
  void refuseStatementTail(bool select) const;
  // Error 4145 when `e` is a value where a condition belongs.
  void requireCondition(const ast::Expr& e) const;

  // ---- names and types (parser.cpp)
  std::string name();                   // an identifier, plain or quoted
  ast::ObjectName objectName();         // noted in qualifiedNames() when it has a database or server part
  std::vector<std::string> nameList();  // (a, b, c) after the '('
  ast::TypeName typeName();
  int64_t signedInteger();
  std::string upperWord();  // any identifier or keyword, upper-cased
  // A balanced ( ... ) the engine ignores or refuses; a ';' or INTO inside
  // is a syntax error.
  void skipParenthesised();
  void skipWithOptions();  // WITH (...) or WITH a = b, c after an index or key

  // ---- expressions (parse_expr.cpp)
  ast::ExprPtr condition();  // a condition: WHERE, ON, HAVING, IF, WHILE, WHEN
  ast::ExprPtr value();      // a value: no comparison, AND, OR or NOT at the top
  ast::ExprPtr orExpr();
  ast::ExprPtr andExpr();
  ast::ExprPtr notExpr();
  ast::ExprPtr comparison();
  // The rest of a predicate after its left operand (and the word that
  // names it: IS, LIKE, BETWEEN, IN; for `compared`, the operator).
  ast::ExprPtr compared(ast::ExprPtr left, ast::BinaryOp op, ast::Pos at);
  ast::ExprPtr isTest(ast::ExprPtr left, ast::Pos at);
  ast::ExprPtr likePredicate(ast::ExprPtr left, bool negated, ast::Pos at);
  ast::ExprPtr betweenPredicate(ast::ExprPtr left, bool negated, ast::Pos at);
  ast::ExprPtr inPredicate(ast::ExprPtr left, bool negated, ast::Pos at);
  // `conditionFirst`: the leftmost operand may be a parenthesised condition.
  ast::ExprPtr additive(bool conditionFirst);
  ast::ExprPtr multiplicative(bool conditionFirst);
  ast::ExprPtr unary(bool conditionFirst);
  ast::ExprPtr primary(bool conditionFirst);
  ast::ExprPtr namePrimary(ast::Pos at);
  ast::ExprPtr keywordPrimary(bool conditionFirst, ast::Pos at);
  ast::ExprPtr caseExpr();
  void requireTypedResult(const ast::CaseExpr& c) const;  // 8133 for all results NULL
  ast::ExprPtr functionCall(ast::ObjectName name, ast::Pos at);
  // COLLATE, AT TIME ZONE and method calls (.name(...)) after an operand.
  ast::ExprPtr postfix(ast::ExprPtr operand);
  ast::ExprPtr collate(ast::ExprPtr operand);  // at COLLATE
  ast::ExprPtr iif(ast::Pos at);               // at IIF (
  ast::ExprPtr trim(ast::Pos at);              // at TRIM (
  ast::ExprPtr pseudoColumn(ast::Pos at);      // at $IDENTITY, $ROWGUID or $PARTITION
  // CONTAINS (...) or FREETEXT (...), refused (no full-text index here).
  ast::ExprPtr fullTextPredicate(ast::Pos at);
  // ODBC escapes: {d '...'}, {t '...'}, {ts '...'} and {fn name(args)};
  // {guid '...'} is refused.
  ast::ExprPtr odbcEscape(ast::Pos at);
  ast::ExprPtr odbcFunction(ast::Pos at);  // after {fn
  // An ODBC function written other than as a T-SQL function of its
  // arguments (MOD, POSITION, TIMESTAMPADD, CONVERT, ...), at its name
  // (`name`, upper case); null for any other name.
  ast::ExprPtr odbcForm(const std::string& name, ast::Pos at);
  ast::ExprPtr valueOrDefault();
  bool startsExpression() const;

  // ---- queries (parse_query.cpp)
  ast::QueryPtr query();         // union chain with ORDER BY
  ast::QueryPtr subquery();      // a query inside another statement's parts: no INTO
  ast::QueryPtr intersection();  // terms joined by INTERSECT
  ast::QueryPtr queryTerm();
  std::unique_ptr<ast::SelectBlock> selectBlock();
  ast::SelectItem selectItem();
  std::vector<ast::OrderItem> orderBy();
  std::vector<ast::TableRefPtr> tableSources();
  ast::TableRefPtr joinedTable();
  ast::TableRefPtr tablePrimary();
  std::string optionalAlias();
  // WITH (hint [[,] hint]...), or one hint alone in parentheses: each word
  // checked (321 unknown, 40517 refused, 1047 conflicting), upper-cased.
  std::vector<std::string> tableHints();
  // INDEX (a, 1) or INDEX = a after the word INDEX: "INDEX(a,1)", the index
  // names as written.
  std::string indexHint();
  // NOLOCK and READUNCOMMITTED on the target of INSERT, UPDATE or DELETE: 1065.
  void refuseChangeTargetHints(const std::vector<std::string>& hints) const;
  bool startsStarItem() const;

  // ---- statements (parse_stmt.cpp)
  ast::StmtPtr statement();
  ast::StmtPtr selectStatement();
  ast::StmtPtr insertStatement();
  ast::StmtPtr updateStatement();
  ast::StmtPtr deleteStatement();
  ast::ExprPtr whereCondition();  // UPDATE's and DELETE's WHERE: no CURRENT OF
  ast::StmtPtr declareStatement();
  ast::StmtPtr cursorStatement(ast::StmtKind kind);
  ast::StmtPtr fetchStatement();
  ast::StmtPtr setStatement();
  ast::StmtPtr ifStatement();
  ast::StmtPtr whileStatement();
  ast::StmtPtr beginStatement();
  ast::StmtPtr returnStatement();
  ast::StmtPtr raiserrorStatement();
  ast::StmtPtr execStatement(bool keyword);
  ast::ExecArg execArgument();
  void refuseOutput() const;  // OUTPUT after a constant argument: 179
  ast::StmtPtr tranStatement(ast::StmtKind kind);
  ast::StmtPtr dbccStatement();
  ast::StmtPtr setOptionStatement(ast::Pos at);

  // ---- DDL (parse_ddl.cpp)
  ast::StmtPtr createStatement();
  ast::StmtPtr createTable(ast::Pos at);
  ast::StmtPtr createIndex(ast::Pos at);
  ast::StmtPtr createView(ast::Pos at, size_t start);  // start: the offset of CREATE
  // `start`: the offset of CREATE or ALTER.
  ast::StmtPtr createProcedure(ast::Pos at, size_t start, bool alter);
  ast::ProcedureParam procedureParam();
  ast::ExprPtr procedureDefault();
  ast::ExprPtr signedNumber();  // at + or -: a number (or money) with its sign
  ast::StmtPtr dropStatement();
  ast::StmtPtr alterStatement();
  ast::StmtPtr truncateStatement();
  // A column definition; its PRIMARY KEY / UNIQUE constraints go to `keys`.
  ast::ColumnDef columnDef(std::vector<ast::KeyConstraint>& keys);
  void keyKind(ast::KeyConstraint& k);  // PRIMARY KEY | UNIQUE [CLUSTERED | NONCLUSTERED]
  bool startsConstraint() const;
  ast::KeyConstraint tableConstraint();
  std::vector<ast::IndexColumn> indexColumns();
  void fileGroup();  // [ON filegroup]
  // Refuse what the engine does not create, alter or drop (functions,
  // triggers, ...) and the constraints it does not have.
  void refuseObjectKind(std::string_view verb) const;
  void refuseConstraintKind() const;

  std::string_view text_;
  std::vector<Token> toks_;
  size_t i_ = 0;
  int depth_ = 0;
  int chain_ = 0;
  int parameters_ = 0;
  bool firstStatement_ = true;
  int subqueries_ = 0;                               // subqueries being read
  std::vector<std::string>* unsupported_ = nullptr;  // see the constructor
  std::vector<ast::ObjectName> qualified_;           // see qualifiedNames()
};

}  // namespace mls::tsql
