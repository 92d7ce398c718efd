// The client's list of issue lines (arInterID): a two-dimensional array,
// field first and line second, element (0, i) a bill's FInterID and (1, i)
// the line's FEntryID, as the line lists return their rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::distribution::writers {

struct IssueLine {
  int32_t interID = 0;
  int32_t entryID = 0;
  bool operator==(const IssueLine&) const = default;
};

// The lines of the list, each once, in the order they first occur.  A value
// that is no such array raises 13, an array without the fields 0 and 1 or
// whose lines do not start at 0 raises 9, an element that is no number 13,
// each naming the method and the element; nothing has run by then.
std::vector<IssueLine> clientPairs(const frame::Call& call, const com::Variant& arInterID);

// One statement text of inserts of the lines into `table` (FInterID,
// FEntryID); empty for no lines.
std::string pairInserts(const std::vector<IssueLine>& lines, const std::string& table);

}  // namespace mls::distribution::writers
