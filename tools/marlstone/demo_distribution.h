// The demo's material distribution on the plant, after the product
// quantities: acting as the client, it distributes every production
// department's shared issues through AutoDis (the plant's entered standard,
// the ungrouped lines and the department's cost-object group, for normal use
// and for repairable waste), weighs one material by input times BOM usage over
// a cost-BOM work table, and prints, for a few lines, the rows and their sum
// against the issued amount.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/variant.h"

namespace mls::host {

struct DistributionCalls {
  // AutoDis.<member>(props, args...), printed with its votes or error;
  // `answer` receives its result.
  std::function<bool(const std::string& member, std::vector<com::Variant> args, com::Variant* answer)> step;
  // Prints a query's rows under a label.
  std::function<void(const std::string& label, const std::string& sql)> show;
  // The first value of a query.
  std::function<com::Variant(const std::string& sql)> scalar;
};

void runDistributionDemo(const DistributionCalls& calls, int year, int period);

}  // namespace mls::host
