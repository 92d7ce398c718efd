#include "frame/period_services.h"

#include "frame/lang_text.h"
#include "frame/period_window.h"
#include "platform/ado/recordset.h"

namespace mls::frame {
namespace {

int32_t profileNumber(ado::Connection& connection, const char* category, const char* key) {
  com::Ref<ado::Recordset> rs =
      connection.execute(std::string("select FValue from t_SystemProfile where FCategory='") + category +
                             "' and FKey='" + key + "'",
                         nullptr, -1);
  return rs->value("FValue").toLong();
}

}  // namespace

bool getPeriodsData(Call& call, ByRef<std::string> clip, ByRef<int32_t> rows, ByRef<int32_t> colorRow) {
  std::string language = call.language();
  ado::Connection& connection = call.connection();
  int32_t periodCount = profileNumber(connection, "GL", "PeriodCount");
  int32_t startPeriod = profileNumber(connection, "CB", "StartPeriod");
  int32_t startYear = profileNumber(connection, "CB", "StartYear");
  int32_t currentYear = profileNumber(connection, "CB", "CurrentYear");
  int32_t currentPeriod = profileNumber(connection, "CB", "CurrentPeriod");

  std::string grid;
  for (int32_t p = 1; p <= periodCount; ++p) {
    if (!grid.empty()) grid += '\r';
    PeriodWindow w = getPeriodDateRange(call.props(), currentYear, p, WindowForm::NextAsText);
    double lastDay = com::dateMinusDays(w.next.toDate(), 1);
    grid += std::to_string(p) + '\t' + dateText(w.begin) + '\t' + dateText(com::Variant::date(lastDay));
    grid += '\t';
    if (currentYear == startYear && p < startPeriod) {
      grid += "/";
    } else if (p >= currentPeriod) {
      grid += langText("否", language);
    } else {
      grid += langText("是", language);
    }
  }
  clip = grid;
  rows = periodCount;
  if (currentPeriod >= 1 && currentPeriod <= periodCount) colorRow = currentPeriod;
  return true;
}

}  // namespace mls::frame
