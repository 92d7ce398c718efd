// Reads a script batch by batch: a line holding only GO (any case, spaces
// around it allowed) ends a batch, as the usual client tools split scripts.
#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <string>

namespace mls::tsql::shell {

class BatchReader {
 public:
  // `prompt`, when given, is called before each line is read with the line's
  // number in its batch (1 after each GO), for a person typing the script.
  explicit BatchReader(std::istream& in, std::function<void(int)> prompt = {})
      : in_(in), prompt_(std::move(prompt)) {}
  // The next batch that holds more than blanks; empty at the end of the script.
  std::optional<std::string> next();

 private:
  bool nextLine(std::string& line, int number);

  std::istream& in_;
  std::function<void(int)> prompt_;
};

// Whether `line` is a batch separator.
bool isSeparator(const std::string& line);

}  // namespace mls::tsql::shell
