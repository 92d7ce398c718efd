// Static types from type names as the parser keeps them.
#pragma once

#include "platform/tsql/parse/ast.h"
#include "platform/tsql/types/sql_type.h"

namespace mls::tsql {

// A declared type (DECLARE, columns): strings without a length are of length 1.
SqlType declaredType(const ast::TypeName& t);
// The target of CAST / CONVERT: strings without a length are of length 30
// (SYSNAME stays NVARCHAR(128), TEXT VARCHAR(max)).
SqlType castTargetType(const ast::TypeName& t);

}  // namespace mls::tsql
