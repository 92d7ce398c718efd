#include "platform/tsql/exec/bind/type_ast.h"

#include <climits>
#include <vector>

namespace mls::tsql {

SqlType declaredType(const ast::TypeName& t) {
  std::vector<int> args;
  for (int64_t a : t.args)
    args.push_back(a > INT_MAX ? INT_MAX : static_cast<int>(a));
  if (t.max) args.push_back(SqlType::kMax);
  return SqlType::fromName(t.name, args);
}

SqlType castTargetType(const ast::TypeName& t) {
  SqlType s = declaredType(t);
  // SYSNAME and TEXT name their length
  if (s.isString() && t.args.empty() && !t.max && s.length == 1) s.length = 30;
  return s;
}

}  // namespace mls::tsql
