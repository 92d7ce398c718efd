#include "schema/schema_files.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/com/error.h"

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

}  // namespace mls::schema
