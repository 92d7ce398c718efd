// What the demo shows of the plant around the steps of its period close: the
// snapshot by transaction type, the distribution tables after the reset, the
// quantities, a few shared issue lines' rows against their issued amounts,
// the work tables of the client's calculation and their settlement, the
// product cost rows, the sort-standard settings and the classification split
// beside each amount, and two products' receipt lines before and after the
// write-back.
#pragma once

#include <functional>
#include <string>

namespace mls::host {

// Prints a query's rows under a label.
using Show = std::function<void(const std::string& label, const std::string& sql)>;

// Shows what the plant looks like before (`done` false) or after the step.
void showStepDetails(const Show& show, const std::string& step, bool done, int year, int period);

}  // namespace mls::host
