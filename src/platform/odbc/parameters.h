// Parameters bound to a statement's `?` markers as values (SQLBindParameter),
// never pasted into its text.  The buffers live in this object, which must
// outlive the statement's execution.
//   integers, Boolean, Double -> their C types; Decimal, Numeric, Currency ->
//   exact decimal text declared with the value's own precision and scale;
//   Date/DBTimeStamp -> timestamp to the millisecond; DBDate -> date;
//   text -> UTF-16 (nvarchar, or varchar for the narrow types; the long types
//   and text beyond 4000/8000 characters as (max)).
// Null and Empty bind SQL NULL of the parameter's type.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "platform/ado/provider.h"

namespace mls::odbc {

// One parameter's buffers and declared type.
struct BoundValue {
  SQLSMALLINT cType = SQL_C_CHAR;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimalDigits = 0;
  SQLLEN indicator = 0;
  int64_t integer = 0;
  int16_t smallInt = 0;
  int32_t longInt = 0;
  uint8_t byte = 0;
  double real = 0;
  std::string text;
  std::u16string wideText;
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQL_DATE_STRUCT date{};

  SQLPOINTER buffer();
  SQLLEN bufferLength() const;
};

// The buffer and SQL type of one parameter; a value that does not convert
// raises the Variant's error (13, 6) with Source `provider`, naming the
// parameter.
BoundValue toBoundValue(const ado::ParameterValue& param, size_t position, const std::string& provider);

class BoundParameters {
 public:
  // Binds `params` to `stmt` in order; raises err::kCommandFailed with the
  // statement's diagnostics when the driver refuses one.
  BoundParameters(SQLHSTMT stmt, const std::vector<ado::ParameterValue>& params, const std::string& provider);
  BoundParameters(const BoundParameters&) = delete;
  BoundParameters& operator=(const BoundParameters&) = delete;

 private:
  std::vector<BoundValue> values_;  // never resized after binding: the driver holds pointers into it
};

}  // namespace mls::odbc
