// A provider, "Test.Recording", that runs every batch on the embedded engine
// (the same Data Source) and keeps its text per session, so that a test can
// read what a method sent on its connection and in how many batches.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace mls::testing {

struct Recording {
  std::vector<std::vector<std::string>> sessions;  // the batches of each session, in opening order
};

// Registers the provider with `recording` as its log (replacing an earlier one).
void recordBatchesInto(std::shared_ptr<Recording> recording);

}  // namespace mls::testing
