#include "frame/members.h"

#include "frame/member.h"
#include "frame/period_services.h"
#include "frame/period_window.h"
#include "frame/presets.h"
#include "frame/sql_batches.h"

namespace mls::frame {

void addCalInfoMembers(com::TypeInfo& t) {
  member(t, "ClientGetPeriodDate", presets::kPeriodService,
         {"sDsn", "iYear", "iPeriod", "BeginDate", "EndDate"}, clientGetPeriodDate);
  member(t, "GetPeriodsData", presets::kInquiry, {"sCnn", "strClip", "nRows", "nColorRow"}, getPeriodsData);
}

void addConcludeUpdateMembers(com::TypeInfo& t) {
  member(t, "GetPeriodDateToClient", presets::kPeriodService,
         {"sDsn", "iYear", "iPeriod", "BeginDate", "EndDate"}, getPeriodDateToClient);
  member(t, "UpdateBatch", presets::kWriter, {"sCnn", "oCol"}, updateBatch);
  member(t, "InsertStdCalinfoDetail", presets::kWriter, {"sCnn", "oCol"}, insertStdCalinfo);
  member(t, "InsertStdCalinfoOrOther", presets::kWriter, {"sCnn", "oCol"}, insertStdCalinfo);
}

}  // namespace mls::frame
