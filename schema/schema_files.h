// The ERP schema's T-SQL scripts (system.sql, erp.sql), read from the folder the
// build names or from $MARLSTONE_SCHEMA.
#pragma once

#include <string>

namespace mls::schema {

// The text of one script of the schema folder; raises 53 (file not found) when
// it cannot be read.
std::string schemaScript(const std::string& file);

}  // namespace mls::schema
