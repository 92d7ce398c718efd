// Reads a script batch by batch: a line holding only GO (any case, spaces
// around it allowed) ends a batch, as the usual client tools split scripts.
#pragma once

#include <istream>
#include <optional>
#include <string>

namespace mls::tsql::shell {

class BatchReader {
 public:
  explicit BatchReader(std::istream& in) : in_(in) {}
  // The next batch that holds more than blanks; empty at the end of the script.
  std::optional<std::string> next();

 private:
  std::istream& in_;
};

// Whether `line` is a batch separator.
bool isSeparator(const std::string& line);

}  // namespace mls::tsql::shell
