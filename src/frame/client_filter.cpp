#include "frame/client_filter.h"

#include "frame/lang_text.h"
#include "frame/pasted_text.h"
#include "platform/com/error.h"
#include "platform/tsql/parse/fragment.h"

namespace mls::frame {
namespace {

constexpr const char* kNotOneCondition = "过滤条件[%1]不是一个查询条件:%2";
constexpr const char* kNoCondition = "过滤条件不能为空!";

}  // namespace

std::string clientCondition(const Call& call, std::string_view sFilter, FilterPlace place,
                            const std::vector<std::string>& aliases) {
  const tsql::ConditionFragment f = tsql::checkConditionFragment(sFilter, aliases);
  if (!f.fault.empty()) {
    const std::vector<com::Variant> args{com::Variant(std::string(sFilter)), com::Variant(f.fault)};
    com::raise(-1, call.fullName(),
               langTextFormat(call.language(), kNotOneCondition, com::Variant(com::SafeArray::vector(args))));
  }
  if (f.empty) {
    if (place == FilterPlace::Required)
      com::raise(-1, call.fullName(), langText(kNoCondition, call.language()));
    return {};
  }
  return (f.lead == tsql::Connective::None ? "    AND  " : "") + pastedText(sFilter);
}

}  // namespace mls::frame
