#include "schema/schema_files.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/com/error.h"
#include "platform/common/script_batches.h"

namespace mls::schema {

std::string schemaScript(const std::string& file) {
  const char* dir = std::getenv("MARLSTONE_SCHEMA");
  std::string path = std::string(dir && *dir ? dir : MLS_SCHEMA_DIR) + "/" + file;
  std::ifstream in(path);
  if (!in) com::raise(53, "Marlstone.Schema", "File not found: " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> schemaBatches(const std::string& file) {
  return common::splitBatches(schemaScript(file));
}

std::vector<std::string> erpSchemaBatches() {
  std::vector<std::string> out = schemaBatches("system.sql");
  for (std::string& b : schemaBatches("erp.sql"))
    out.push_back(std::move(b));
  return out;
}

}  // namespace mls::schema
