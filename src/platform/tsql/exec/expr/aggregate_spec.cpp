#include "platform/tsql/exec/expr/aggregate_spec.h"

#include "platform/tsql/types/operators.h"

namespace mls::tsql {

std::optional<AggregateKind> aggregateKind(std::string_view n) {
  if (n == "COUNT") return AggregateKind::Count;
  if (n == "COUNT_BIG") return AggregateKind::CountBig;
  if (n == "SUM") return AggregateKind::Sum;
  if (n == "AVG") return AggregateKind::Avg;
  if (n == "MIN") return AggregateKind::Min;
  if (n == "MAX") return AggregateKind::Max;
  return std::nullopt;
}

SqlType aggregateType(AggregateKind kind, const SqlType& arg) {
  switch (kind) {
    case AggregateKind::Count:
      return SqlType(TypeId::Int);
    case AggregateKind::CountBig:
      return SqlType(TypeId::BigInt);
    case AggregateKind::Sum:
      return sumType(arg);
    case AggregateKind::Avg:
      return avgType(arg);
    case AggregateKind::Min:
    case AggregateKind::Max:
      return arg.isNull() ? SqlType(TypeId::Int) : arg;
  }
  return arg;
}

}  // namespace mls::tsql
