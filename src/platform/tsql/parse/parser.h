// Entry points of the T-SQL parser: a batch of text to its statements.
//
// A batch is a sequence of statements with or without ';' between them (GO is
// not part of the language: the client splits batches on it).  Every syntax
// error is thrown as SqlError with SQL Server's number and text:
//   102  Incorrect syntax near '%s'.               (the offending token)
//   156  Incorrect syntax near the keyword '%s'.   (the offending token is a
//                                                   reserved word, upper-cased)
//   105  Unclosed quotation mark ...               (a string or quoted name never ends)
//   113  Missing end comment mark '*/'.
//   103  identifier longer than 128 characters
//   1038 an empty [] or "" name
//   4145 a value where a condition is expected (WHERE 1, IF @x)
//   191  nesting deeper than the parser's limits (kMaxDepth, kMaxChain)
// and the error's line is the line of that token.  At the end of the text the
// offending token is the last one read, as SQL Server reports it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/parse/ast.h"

namespace mls::tsql {

// Nesting of expressions, queries and statements deeper than kMaxDepth, or
// operator chains (a + b + ..., OR, UNION, joins) longer than kMaxChain
// operators in all, is error 191; a set operation (UNION, EXCEPT, INTERSECT)
// weighs as much as kMaxChain / kMaxSetOperations operators, so a query holds
// at most kMaxSetOperations of them.  Every tree is thus shallower than about
// kMaxChain + 8 * kMaxDepth nodes, and binding and running the deepest one
// fits a thread stack of 1 MB.
constexpr int kMaxDepth = 256;
constexpr int kMaxChain = 2048;
constexpr int kMaxSetOperations = 256;

std::vector<ast::StmtPtr> parseBatch(std::string_view text);
// The same, with the object names of three or four parts (a database or a
// server named) the batch holds outside a procedure's body, in the order of
// the text: what the engine checks before it runs any of the batch.
std::vector<ast::StmtPtr> parseBatch(std::string_view text, std::vector<ast::ObjectName>& qualifiedNames);

// The parameter list of sp_executesql (N'@p int, @q varchar(10) OUTPUT'); an
// empty or blank text gives none.
std::vector<ast::ParamDecl> parseParameterDeclarations(std::string_view text);

// One expression (a value or a condition), the whole text; for tests and tools.
ast::ExprPtr parseExpression(std::string_view text);

// As parseExpression, for text that SQL Server may run rather than this
// engine: a form of SQL Server's grammar that the engine refuses with 40517
// is read through, its name added to `unsupported`, and the tree holds a
// stand-in for it (the tree is for checking the text, not for running it).
ast::ExprPtr parseServerExpression(std::string_view text, std::vector<std::string>& unsupported);

}  // namespace mls::tsql
