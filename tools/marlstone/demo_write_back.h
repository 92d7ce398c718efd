// The demo's last steps on the plant, after the completed quantities: acting as
// the client, it fills the work tables with the plant's simple calculation
// (schema/demoplant/client_calculation.h) through ConcludeUpdate.UpdateBatch,
// then, level by level, settles the split differences and makes the product
// cost rows, sets the calculation types and writes the unit costs back to the
// receipt bills, printing the receipt lines of two products before and after.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/variant.h"

namespace mls::host {

struct DemoCalls {
  // ConcludeUpdate.<member>(props, args...), printed with its votes or error.
  std::function<bool(const std::string& member, std::vector<com::Variant> args)> step;
  // Prints a query's rows under a label.
  std::function<void(const std::string& label, const std::string& sql)> show;
};

void runWriteBackDemo(const DemoCalls& calls, int year, int period);

}  // namespace mls::host
