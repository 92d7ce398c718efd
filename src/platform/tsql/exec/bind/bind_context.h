// What the binder resolves names against: the tables (permanent and the
// session's temporary ones), the database's views, the running batch's
// variables and the functions that read the session.  The session provides
// it (SessionImpl), so the binder and the planner need nothing of the session
// itself.
#pragma once

#include <string_view>
#include <vector>

#include "platform/tsql/catalog/catalog.h"
#include "platform/tsql/catalog/view_set.h"
#include "platform/tsql/exec/expr/bound_expr.h"
#include "platform/tsql/exec/expr/runtime.h"

namespace mls::tsql {

// A built-in function that reads the catalog or the session (OBJECT_ID,
// SCOPE_IDENTITY, ...): evaluated by a callback of the session.
struct SessionFunction {
  NativeFn fn;
  SqlType result;
  std::vector<SqlType> params;  // the arguments are converted to these types
  size_t minArgs = 0;
};

class BindContext {
 public:
  virtual Catalog catalog() = 0;
  virtual const ViewSet& views() = 0;
  // The view a statement reads by `name`, or nullptr (the name locked for
  // reading first unless `lock` is false, as a table's is when it resolves).
  virtual const ViewDef* view(const ast::ObjectName& name, bool lock = true) = 0;
  // Locks the table `name` as its table hints (WITH (NOLOCK) ...) say;
  // false when none of them is a locking hint (the name is then locked as
  // any read when it resolves).
  virtual bool lockAsHinted(const ast::ObjectName& name, const std::vector<std::string>& hints) = 0;
  // The hints of the views being read, which their tables take as their own
  // (a view's table hints reach the tables it reads); the planner adds a
  // view's hints while its query binds.
  virtual std::vector<std::string>& viewHints() = 0;
  // The running level's variables (null between batches).
  virtual Frame* frame() = 0;
  // The frame slot of parameter marker `index` (1-based).
  virtual int parameterSlot(int index) const = 0;
  // The built-in function named `upperName` that reads the catalog or the
  // session, or nullptr.
  virtual const SessionFunction* sessionFunction(std::string_view upperName) const = 0;

 protected:
  ~BindContext() = default;
};

}  // namespace mls::tsql
