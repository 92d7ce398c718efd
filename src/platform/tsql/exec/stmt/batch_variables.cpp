// The batch's declarations, read before the batch runs: a variable exists from
// its DECLARE to the end of the batch whatever the control flow.
#include "platform/tsql/errors.h"
#include "platform/tsql/exec/bind/type_ast.h"
#include "platform/tsql/exec/stmt/executor.h"

namespace mls::tsql {

namespace {

void walk(const ast::Stmt& s, Frame& frame, int loops) {
  switch (s.kind) {
    case ast::StmtKind::Declare:
      for (const ast::VarDecl& d : s.as<ast::DeclareStmt>().vars) {
        if (frame.find(d.name) >= 0) throwSqlError(134, {d.name}, d.pos.line);
        frame.add(d.name, declaredType(d.type), d.pos);
      }
      break;
    case ast::StmtKind::Block:
      for (const ast::StmtPtr& c : s.as<ast::BlockStmt>().body)
        walk(*c, frame, loops);
      break;
    case ast::StmtKind::If: {
      const auto& i = s.as<ast::IfStmt>();
      walk(*i.then, frame, loops);
      if (i.otherwise) walk(*i.otherwise, frame, loops);
      break;
    }
    case ast::StmtKind::While:
      walk(*s.as<ast::WhileStmt>().body, frame, loops + 1);
      break;
    case ast::StmtKind::Break:
      if (loops == 0) throwSqlError(135, {}, s.pos.line);
      break;
    case ast::StmtKind::Continue:
      if (loops == 0) throwSqlError(136, {}, s.pos.line);
      break;
    default:
      break;
  }
}

}  // namespace

void declareBatchVariables(const std::vector<ast::StmtPtr>& stmts, Frame& frame) {
  for (const ast::StmtPtr& s : stmts)
    walk(*s, frame, 0);
}

}  // namespace mls::tsql
