// Where statements start, and the parameter list of sp_executesql; the
// statements' forms are SQL records (tests/platform/tsql/cases/parse_forms.test).
#include <gtest/gtest.h>

#include "ast_dump.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {
namespace {

using namespace ast;

TEST(Batch, PositionsOfStatements) {
  auto stmts = parseBatch("SET NOCOUNT ON\n\n  SELECT 1\r\n-- x\nPRINT 'p'");
  ASSERT_EQ(stmts.size(), 3u);
  EXPECT_EQ(stmts[1]->pos.line, 3);
  EXPECT_EQ(stmts[1]->pos.column, 3);
  EXPECT_EQ(stmts[2]->pos.line, 5);
}

TEST(Exec, ParameterDeclarations) {
  auto decls = parseParameterDeclarations("@p int, @q varchar(10) OUTPUT, @r AS decimal(9,2)");
  ASSERT_EQ(decls.size(), 3u);
  EXPECT_EQ(decls[0].name, "@p");
  EXPECT_FALSE(decls[0].output);
  EXPECT_EQ(test::dump(decls[1].type), "VARCHAR(10)");
  EXPECT_TRUE(decls[1].output);
  EXPECT_EQ(test::dump(decls[2].type), "DECIMAL(9,2)");
  EXPECT_TRUE(parseParameterDeclarations("  ").empty());
  EXPECT_THROW(parseParameterDeclarations("@p int @q int"), SqlError);
}
}  // namespace
}  // namespace mls::tsql
