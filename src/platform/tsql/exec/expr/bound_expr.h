// Bound expressions: trees whose names are resolved to row slots, column
// indexes and variable slots, and whose static types are known.  They evaluate
// against an EvalContext without any lookup by name.  The binder builds them
// through the factories below.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/tsql/exec/expr/runtime.h"
#include "platform/tsql/types/functions.h"
#include "platform/tsql/types/operators.h"

namespace mls::tsql {

class BoundExpr {
 public:
  BoundExpr(SqlType type, bool nullable) : type_(type), nullable_(nullable) {}
  virtual ~BoundExpr() = default;
  BoundExpr(const BoundExpr&) = delete;
  BoundExpr& operator=(const BoundExpr&) = delete;

  const SqlType& type() const { return type_; }
  bool nullable() const { return nullable_; }

  virtual Value eval(const EvalContext& c) const = 0;
  // The value without copying when the node holds it (a column, a constant, a
  // variable); otherwise computed into `scratch`.
  virtual const Value& ref(const EvalContext& c, Value& scratch) const {
    scratch = eval(c);
    return scratch;
  }
  // A condition's truth (empty: UNKNOWN).  A value node is true when non-zero.
  virtual Bool3 test(const EvalContext& c) const;
  // The constant value of a literal (or folded) node.
  virtual const Value* constant() const { return nullptr; }

 protected:
  SqlType type_;
  bool nullable_;
};

using BoundExprPtr = std::unique_ptr<BoundExpr>;

// The values of `exprs` over `c`, in order.
std::vector<Value> evalEach(const std::vector<BoundExprPtr>& exprs, const EvalContext& c);

// ---- leaves
BoundExprPtr makeConstant(Value v, SqlType type);
// Column `index` of source `slot`, `depth` queries out (0: the current query).
BoundExprPtr makeColumn(int depth, int slot, int index, SqlType type, bool nullable);
BoundExprPtr makeVariable(int frameIndex, SqlType type);
enum class GlobalId { RowCount, Error, Identity, TranCount, FetchStatus, LockTimeout, Spid };
BoundExprPtr makeGlobal(GlobalId id);

// ---- conversions
enum class ConvertKind { Implicit, Cast, Assign };
// `e` converted to `to` (the node itself when no conversion is needed).
BoundExprPtr makeConversion(BoundExprPtr e, SqlType to, ConvertKind kind);
BoundExprPtr makeConvertStyle(BoundExprPtr e, SqlType to, BoundExprPtr style);

// ---- operators
BoundExprPtr makeArithmetic(ArithOp op, BoundExprPtr a, BoundExprPtr b);
enum class BitOp { And, Or, Xor };
BoundExprPtr makeBitwise(BitOp op, BoundExprPtr a, BoundExprPtr b);
BoundExprPtr makeBitNot(BoundExprPtr a);
BoundExprPtr makeNegate(BoundExprPtr a);
enum class CompareOp { Eq, Ne, Lt, Gt, Le, Ge };
// Converts both sides to their comparison type.
BoundExprPtr makeComparison(CompareOp op, BoundExprPtr a, BoundExprPtr b);
// a IS [NOT] DISTINCT FROM b: = (or <>) in the comparison type with NULL equal
// to NULL and unequal to any value; never UNKNOWN.
BoundExprPtr makeDistinct(BoundExprPtr a, BoundExprPtr b, bool distinct);
// Does `op` hold for two values that compareValues orders as `order`?
bool compareHolds(CompareOp op, int order);
BoundExprPtr makeAnd(BoundExprPtr a, BoundExprPtr b);
BoundExprPtr makeOr(BoundExprPtr a, BoundExprPtr b);
BoundExprPtr makeNot(BoundExprPtr a);
BoundExprPtr makeIsNull(BoundExprPtr a, bool negated);
BoundExprPtr makeLike(BoundExprPtr text, BoundExprPtr pattern, BoundExprPtr escape, bool negated);
BoundExprPtr makeInList(BoundExprPtr operand, std::vector<BoundExprPtr> items, bool negated);

// ---- CASE and its relatives
// CASE WHEN c THEN v ... ELSE e END (a simple CASE arrives as comparisons);
// the values are converted to their combined type.
BoundExprPtr makeCase(std::vector<std::pair<BoundExprPtr, BoundExprPtr>> whens, BoundExprPtr elseValue);
BoundExprPtr makeCoalesce(std::vector<BoundExprPtr> args);
BoundExprPtr makeIsNullFunction(BoundExprPtr a, BoundExprPtr b);
BoundExprPtr makeNullIf(BoundExprPtr a, BoundExprPtr b);
BoundExprPtr makeFunction(const FunctionDef& def, std::vector<BoundExprPtr> args, SqlType result);

// A node evaluated by a callback of the engine (OBJECT_ID and the like).
using NativeFn = Value (*)(const std::vector<Value>& args, const EvalContext& c);
BoundExprPtr makeNative(NativeFn fn, std::vector<BoundExprPtr> args, SqlType type);

}  // namespace mls::tsql
