// The ERP schema's T-SQL scripts (system.sql, erp.sql), read from the folder the
// build names or from $MARLSTONE_SCHEMA.  A script is run batch by batch: a
// line holding only GO ends a batch, as SQL Server's client tools read it.
#pragma once

#include <string>
#include <vector>

namespace mls::schema {

// The text of one script of the schema folder; raises 53 (file not found) when
// it cannot be read.
std::string schemaScript(const std::string& file);
// The batches of one script, in order.
std::vector<std::string> schemaBatches(const std::string& file);
// The batches that make an ERP database: system.sql's, then erp.sql's.
std::vector<std::string> erpSchemaBatches();

}  // namespace mls::schema
