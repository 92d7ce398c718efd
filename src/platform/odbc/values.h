// How SQL Server's columns and values, as the ODBC driver describes and hands
// them over, become the data-access layer's columns and Variants:
// int -> Long, smallint -> Integer, tinyint -> Byte, bit -> Boolean, bigint,
// decimal, numeric and money -> Decimal (read as text and parsed exactly),
// float/real -> Double, char/varchar/nchar/nvarchar/text/xml/uniqueidentifier
// -> String (UTF-8), datetime/smalldatetime/datetime2 and date -> Date;
// time and datetimeoffset arrive as their text.  Binary columns are refused.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "platform/ado/provider.h"
#include "platform/com/decimal.h"

namespace mls::odbc {

// A result column as SQLDescribeCol and SQL_DESC_TYPE_NAME describe it.
struct OdbcColumn {
  std::string name;
  SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimalDigits = 0;
  std::string typeName;  // the server's name: "money", "varbinary", ...
};

// Raises err::kCommandFailed (Source `provider`) for a column it cannot read.
ado::ColumnMeta columnMetaFor(const OdbcColumn& column, const std::string& provider);

// The exact value of decimal text as the driver writes it ("-12.50", ".5",
// "1234"): a value with more fractional digits than a Variant Decimal holds
// keeps as many as fit, rounded half away from zero; one whose integral part
// does not fit raises overflow (6).  Text that is no number raises
// err::kCommandFailed.  Source `provider`.
com::Decimal parseDecimalText(std::string_view text, const std::string& provider);

// ODBC timestamps and Date serials (days since 1899-12-30, the fraction being
// the time of day), to the millisecond.
double serialFromTimestamp(const SQL_TIMESTAMP_STRUCT& t);
SQL_TIMESTAMP_STRUCT timestampFromSerial(double serial);

}  // namespace mls::odbc
