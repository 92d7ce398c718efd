// A column of a table: its name, type, nullability, default and identity.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/sql_type.h"

namespace mls::tsql {

struct IdentitySpec {
  int64_t seed = 1;
  int64_t step = 1;
};

struct Column {
  std::string name;  // as declared
  SqlType type;
  bool nullable = true;

  // DEFAULT expression, evaluated by the executor at each insert that gives the
  // column no value.  It points into the AST of the batch that created it and
  // keeps that AST alive (a shared_ptr aliasing the batch's owner).
  std::shared_ptr<const ast::Expr> defaultExpr;
  std::string defaultName;  // the default constraint's name (given, or DF__t__col__<id>)
  int32_t defaultId = 0;    // its object id (sysobjects xtype 'D'); 0 without a default

  std::optional<IdentitySpec> identity;
};

}  // namespace mls::tsql
