#include "frame_probe.h"

#include "frame/presets.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"

namespace mls::testing {
namespace {

using com::Param;
using com::VarKind;
using frame::Call;
using frame::FrameFacts;
using frame::Isolation;
using frame::Naming;
using frame::VoteAt;

// Runs the SQL of the second argument on the call's connection and answers
// the first value of its first rowset; "close-and-raise" raises -1 instead
// after closing the connection, "unsourced" raises -1 without a source of its
// own, "user" answers the properties' user name.
com::Variant runSql(Call& call, com::Args a) {
  FrameProbe::lastConnection() = com::Ref<ado::Connection>(&call.connection());
  std::string sql = a[1].toString();
  if (sql == "close-and-raise") {
    call.connection().close();
    com::raise(-1, "probe", "closed first");
  }
  if (sql == "user") return call.parser().userName();
  if (sql == "unsourced") com::raise(-1, "", "no source of its own");
  com::Ref<ado::Recordset> rs = call.connection().execute(sql, nullptr, -1);
  if (rs->state() != ado::kStateOpen || rs->eof()) return {};
  return rs->value(size_t{0});
}

}  // namespace

com::Ref<ado::Connection>& FrameProbe::lastConnection() {
  static com::Ref<ado::Connection> connection;
  return connection;
}

const com::TypeInfo& FrameProbe::type() {
  static const com::TypeInfo info = [] {
    com::TypeInfo t(kProgId, kIid);
    const std::vector<Param> params{Param("sDsn", VarKind::String), Param("sSql", VarKind::String)};
    const FrameFacts none;
    frame::framed<FrameProbe>(
        t, "Inquiry", params, com::kAny,
        none.votes(VoteAt::Entry).connects(Isolation::ReadUncommitted).names(Naming::WithLineBreak), runSql);
    frame::framed<FrameProbe>(
        t, "Write", params, com::kAny,
        none.votes(VoteAt::Success).aborts().connects(Isolation::ReadCommitted).names(Naming::Direct),
        runSql);
    frame::framed<FrameProbe>(t, "Plain", params, com::kAny, none.connects(Isolation::ReadCommitted), runSql);
    frame::framed<FrameProbe>(t, "Quiet", params, com::kAny, frame::presets::kWriterAnsweringEmpty, runSql);
    // A private routine that names itself inside a method that names itself.
    frame::framed<FrameProbe>(
        t, "Nested", params, com::kAny, none.connects(Isolation::ReadCommitted).names(Naming::WithLineBreak),
        [](Call& call, com::Args a) {
          return frame::runNamed("Marlstone.FrameProbe.PrivateStep", [&] { return runSql(call, a); });
        });
    // Another object of the same class through the object context.
    frame::framed<FrameProbe>(
        t, "CrossClass", params, com::kAny, none.votes(VoteAt::Entry).names(Naming::WithLineBreak),
        [](Call& call, com::Args a) {
          com::Ref<com::Dispatch> other = com::getObjectContext().createInstance(FrameProbe::kProgId);
          return com::callByName(*other, "Nested", call.props(), a[1]);
        });
    return t;
  }();
  return info;
}

void registerFrameProbe() {
  com::ClassRegistry::instance().add({FrameProbe::kProgId, FrameProbe::kClsid,
                                      [] { return com::Ref<com::Dispatch>(com::makeObject<FrameProbe>()); }});
}

}  // namespace mls::testing
