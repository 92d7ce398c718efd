#include "classes/conclude_info.h"

#include "distribution/inquiry/settings_lookups.h"
#include "standards/bill_line_standard.h"

namespace mls::classes {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;
namespace inquiry = distribution::inquiry;

}  // namespace

const com::TypeInfo& ConcludeInfo::type() {
  // Members join the table as the work behind them lands.
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    const FrameFacts readUncommitted = FrameFacts().connects(frame::Isolation::ReadUncommitted);
    const std::vector<Param> dsn{Param("sDsn", VarKind::String)};

    // Settings and look-ups: READ UNCOMMITTED, no SetAbort, the error's source unchanged.
    const FrameFacts atEntry = readUncommitted.votes(frame::VoteAt::Entry);
    frame::framed<ConcludeInfo>(t, "GetEnableEcnRight", dsn, VarKind::Long, atEntry,
                                [](Call& call, com::Args) { return inquiry::getEnableEcnRight(call); });
    frame::framed<ConcludeInfo>(t, "GetCostEnableEcnRight", dsn, VarKind::Long, atEntry,
                                [](Call& call, com::Args) { return inquiry::getCostEnableEcnRight(call); });
    frame::framed<ConcludeInfo>(t, "GetCalCompleteQtyStatus", dsn, VarKind::Long,
                                readUncommitted.votes(frame::VoteAt::Success),
                                [](Call& call, com::Args) { return inquiry::getCalCompleteQtyStatus(call); });
    // No vote at all; the connection is closed on every path.
    frame::framed<ConcludeInfo>(
        t, "GetCostObjGroupIDByNumber", {dsn[0], Param("strGroupNuber")}, VarKind::Long, readUncommitted,
        [](Call& call, com::Args a) { return inquiry::getCostObjGroupIDByNumber(call, a[1]); });
    frame::framed<ConcludeInfo>(t, "GetObject", dsn, VarKind::Object, atEntry, [](Call& call, com::Args) {
      return com::Variant(com::Ref<com::Dispatch>(inquiry::getObject(call)));
    });
    // The list runs GetObject through this object's own interface (a frame and
    // a connection of its own), so it parses nothing and connects to nothing.
    const FrameFacts list = FrameFacts().votes(frame::VoteAt::Entry).withoutEnv();
    t.method<ConcludeInfo>(
        "GetCostObject", dsn, VarKind::Object,
        [list, fullName = t.className() + ".GetCostObject"](ConcludeInfo& self, com::Args a) {
          std::string props = a[0].toString();
          return frame::runFrame(self.dataEnv(), fullName, list, props, [&](Call& call) {
            return com::Variant(com::Ref<com::Dispatch>(inquiry::getCostObject(self, call.props())));
          });
        });
    standards::registerBillLineStandardMembers(t, standards::IssueUse::Normal);
    return t;
  }();
  return info;
}

}  // namespace mls::classes
