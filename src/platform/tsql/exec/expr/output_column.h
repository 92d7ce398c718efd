// A column a query or source gives: its name, type and nullability.
#pragma once

#include <optional>
#include <string>

#include "platform/tsql/catalog/column.h"
#include "platform/tsql/types/sql_type.h"

namespace mls::tsql {

struct OutputColumn {
  OutputColumn() = default;
  OutputColumn(std::string n, SqlType t, bool null = true, std::optional<IdentitySpec> id = std::nullopt)
      : name(std::move(n)), type(t), nullable(null), identity(id) {}

  std::string name;
  SqlType type;
  bool nullable = true;
  // A table's IDENTITY column selected as it is: SELECT ... INTO carries the
  // property over.
  std::optional<IdentitySpec> identity;
};

}  // namespace mls::tsql
