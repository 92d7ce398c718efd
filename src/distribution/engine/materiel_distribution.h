// AutoDis.AutoDisMaterielExp: the shared issue lines of one department in one
// period (optionally of one material, one cost-object group, a client
// filter) spread over the department's receiving cost objects by one
// allocation standard, with every cent placed.
//
// Lines already distributed in the period are split again in the proportions
// of their saved rows (each row keeping its saved standard value as its
// weight); the others are split afresh by the weight builder's shares, the
// cost object that makes the issued material receiving nothing.  The rounding
// difference of each line goes to one row: the largest standard value, then
// the largest cost-object id.  A line's old rows are replaced in one
// transaction with its new ones.
#pragma once

#include <cstdint>
#include <string>

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::distribution::engine {

struct MaterielDistribution {
  int32_t standardID = 0;
  int32_t deptID = 0;
  int32_t typeID = 0;     // 0: normal use; any other value: repairable waste
  com::Variant filter;    // Dictionary: "Year", "Period", "bNoDis"
  int32_t itemID = 0;     // 0: every material
  std::string sqlFilter;  // the client's condition (frame::clientCondition), checked before anything runs
  std::string costBomTable;
  bool standardByItem = false;
  bool formulaByItem = false;
  int32_t groupID = 0;
  std::string costItem;  // cbCostItem.FNumber forced on every new row ("": none)
  com::Variant errInfo;  // Dictionary or Nothing
};

// True when the run finished, also when nothing was to be distributed.
bool autoDisMaterielExp(frame::Call& call, const MaterielDistribution& request);

}  // namespace mls::distribution::engine
