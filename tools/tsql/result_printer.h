// Prints what a batch gave as the usual client tools do: each rowset as an
// aligned table (header, dashes, rows; numbers right-aligned, NULL as NULL)
// followed by "(n rows affected)", row counts of other statements, PRINT
// messages, and errors as "Msg 208, Level 16, State 1, Line 2" and the text.
#pragma once

#include <ostream>
#include <string>

#include "platform/tsql/engine.h"

namespace mls::tsql::shell {

void printResults(const BatchResult& result, std::ostream& out);
void printError(const SqlMessage& error, std::ostream& out);
void printError(const SqlError& error, std::ostream& out);

// The text a value shows in a table: dates as yyyy-mm-dd hh:mi:ss.mmm,
// decimals with their scale, floats in their shortest exact form.
std::string displayText(const Value& v, const SqlType& type);
// Columns `text` takes on a terminal (East Asian wide characters take two).
size_t displayWidth(const std::string& text);

}  // namespace mls::tsql::shell
