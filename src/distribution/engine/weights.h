// The weight builders of the shared-material distribution: for one allocation
// standard they leave #OnlineCostObj on the distribution's connection with
// one row per receiving cost object (FCostObjID, FQty its standard quantity,
// FQuotiety its share of the total), or, for the material-quota standard
// weighed by department, one row per material of #Result and cost object
// (with FItemID and the diagnostic FChk).  A builder that cannot weigh
// raises: -1 (source "-1") for a missing standard or a wrong formula, 5 for a
// missing department or material, no receiver and a zero total.
#pragma once

#include <cstdint>
#include <string>

#include "distribution/engine/issue_lines.h"
#include "platform/ado/connection.h"
#include "platform/com/variant.h"

namespace mls::distribution::engine {

struct WeightRequest {
  std::string props;     // the call's properties (the BOM walk's period window)
  std::string language;  // the caller's language
  int32_t year = 0;
  int32_t period = 0;
  com::Variant begin;  // the period's first day
  com::Variant next;   // the next period's first day
  int32_t deptID = 0;
  int32_t standardID = 0;
  int32_t itemID = 0;        // by material: the material weighed
  int32_t groupID = 0;       // below 1: no group
  std::string costBomTable;  // by material: the cost-BOM work table, checked by the caller
  Purpose purpose = Purpose::Normal;
  com::Variant errInfo;  // by department, normal use: a Dictionary for the quota diagnostics
};

// Weights for the lines of one material (receivers in production, or with
// repairable-waste output); a unit of BOM usage reads the cost-BOM table.
void buildWeightsByMaterial(ado::Connection& connection, const WeightRequest& request);

// Weights for all lines of the department (reads #Result's materials for the
// material-quota standard of normal use).
void buildWeightsByDepartment(ado::Connection& connection, const WeightRequest& request);

// Whether standard `standardID` is the material-quota standard: exactly one
// row whose code is "CLDETLD" (any case) or whose formula names the quota unit.
bool isQuotaStandard(ado::Connection& connection, int32_t standardID);

}  // namespace mls::distribution::engine
