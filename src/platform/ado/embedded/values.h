// How the engine's columns and values cross to the data-access layer and back:
// INT -> Long, SMALLINT -> Integer, TINYINT -> Byte, BIT -> Boolean, BIGINT,
// DECIMAL and MONEY -> Decimal, FLOAT/REAL -> Double, text -> String,
// DATETIME/SMALLDATETIME/DATE -> Date, NULL -> Null.
//
// A Variant Decimal holds 28 fractional digits and 96 bits of mantissa; a
// DECIMAL(38, s) value that needs more keeps as many fractional digits as fit
// (rounded half away from zero, as the engine rounds) and raises overflow (6)
// only when its integral part alone does not fit.
#pragma once

#include <string>

#include "platform/ado/provider.h"
#include "platform/tsql/engine.h"

namespace mls::ado::embedded {

ColumnMeta columnMeta(const tsql::ColumnInfo& column);

// The value of a column of type `type` as a Variant of variantKindOf(its
// data type), or Null.  Overflow raises 6 with the provider as Source.
com::Variant toVariant(const tsql::Value& value, const tsql::SqlType& type);

// A parameter as the engine binds it, under `name` ("@P1").  Its SQL type
// follows the parameter's data type (text lengths grow to hold the value, so
// nothing is cut); a value that does not convert raises the Variant's error
// (13, 6) with the provider as Source.
tsql::BoundParameter toBoundParameter(const ParameterValue& param, std::string name);

// Date serials (days since 1899-12-30, the fraction being the time of day) and
// the engine's date-times, to the engine's 1/300 second.
double toDateSerial(tsql::DateTime t);
tsql::DateTime fromDateSerial(double serial);

}  // namespace mls::ado::embedded
