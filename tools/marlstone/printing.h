// How the host shows values: recordsets as tables, clip texts (a tab between
// columns, a carriage return between rows) as grids, dictionaries key by key,
// lists and arrays item by item, anything else as its kind and value.
#pragma once

#include <ostream>
#include <string>

#include "platform/com/variant.h"

namespace mls::host {

// Writes "label: ..." (one line, or a header line and indented lines).
void printValue(std::ostream& out, const std::string& label, const com::Variant& value, int indent = 0);
// Prints a recordset's rows as an aligned table.
void printRecordset(std::ostream& out, com::Dispatch& rs, int indent);

// A clip text as aligned rows.
void printGrid(std::ostream& out, const std::string& clip, int indent);

}  // namespace mls::host
