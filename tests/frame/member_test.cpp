// Members declared with member(): the types the dispatcher enforces come from
// the body's signature, by-reference parameters write the caller's variables
// as their declared type, optional ones take their defaults, and a body
// reaches its object and its own full name.
#include <gtest/gtest.h>

#include <stdexcept>

#include "frame/member.h"
#include "frame/presets.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"

namespace mls::testing {
namespace {

using com::DeclType;
using com::Variant;
using com::VarKind;
using frame::ByRef;
using frame::Call;
using frame::Date;

int32_t twice(Call&, int32_t n) {
  return 2 * n;
}
void nothing(Call&, const std::string&, double, bool) {}
com::Variant outs(Call&, ByRef<int32_t> count, ByRef<std::string> text, ByRef<Date> day, ByRef<Variant> any) {
  count = "12";
  text = 5;
  day = "2024-03-01";
  any = any.value().toLong() + 1;
  return {};
}
std::string whoAmI(Call& call, const Variant& tag) {
  return call.fullName() + "|" + (tag.isMissing() ? "Missing" : tag.toString());
}
int16_t withDefault(Call&, int16_t n) {
  return n;
}
std::string throughSelf(Call& call) {
  return com::callByName(call.self(), "WhoAmI", call.props(), "again").toString();
}
int32_t itemsIn(Call&, com::Ref<halvern::List> list) {
  return list ? list->count() : -1;
}
com::Ref<halvern::Dictionary> dictionary(Call&, Date day) {
  com::Ref<halvern::Dictionary> dict = com::makeObject<halvern::Dictionary>();
  dict->setItem("day", Variant::date(day.serial));
  return dict;
}

class TypedProbe final : public frame::PublicObject {
 public:
  TypedProbe() : PublicObject(type()) {}
  static const com::TypeInfo& type() {
    static const com::TypeInfo info =
        frame::memberTable("Marlstone.TypedProbe", {}, {[](com::TypeInfo& t) {
                             using frame::member;
                             using frame::opt;
                             const frame::FrameFacts f = frame::presets::kPeriodService;
                             member(t, "Twice", f, {"sDsn", "n"}, twice);
                             member(t, "Nothing", f, {"sDsn", "s", "d", "b"}, nothing);
                             member(t, "Outs", f, {"sDsn", "count", "text", "day", "any"}, outs);
                             member(t, "WhoAmI", f, {"sDsn", opt("tag")}, whoAmI);
                             member(t, "WithDefault", f, {"sDsn", opt("n", "7")}, withDefault);
                             member(t, "ThroughSelf", f, {"sDsn"}, throughSelf);
                             member(t, "ItemsIn", f, {"sDsn", "list"}, itemsIn);
                             member(t, "Dictionary", f, {"sDsn", "day"}, dictionary);
                           }});
    return info;
  }
};

class MemberTest : public ::testing::Test {
 protected:
  template <class... A>
  Variant call(const char* name, A&&... args) {
    return com::callByName(*probe_, name, std::string("Language=en"), std::forward<A>(args)...);
  }
  com::Ref<TypedProbe> probe_ = com::makeObject<TypedProbe>();
};

TEST_F(MemberTest, DeclaredTypesComeFromTheSignature) {
  struct Case {
    const char* member;
    std::vector<DeclType> params;  // after the properties string
    std::vector<bool> byRef;
    DeclType result;
  };
  // The public classes' tables are checked against their listings in
  // tests/classes/interfaces_test.cpp; these are the types no listing shows.
  const Case cases[] = {
      {"WithDefault", {VarKind::Integer}, {false}, VarKind::Integer},
      {"ItemsIn", {VarKind::Object}, {false}, VarKind::Long},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    const com::TypeInfo::Member* m = TypedProbe::type().find(c.member, com::InvokeKind::Method);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->info.params.size(), c.params.size() + 1);
    EXPECT_EQ(m->info.params[0].type, DeclType(VarKind::String));
    for (size_t i = 0; i < c.params.size(); ++i) {
      EXPECT_EQ(m->info.params[i + 1].type, c.params[i]) << i;
      EXPECT_EQ(m->info.params[i + 1].byRef, c.byRef[i]) << i;
    }
    EXPECT_EQ(m->info.result, c.result);
  }
  const com::Param& n = TypedProbe::type().find("WithDefault", com::InvokeKind::Method)->info.params[1];
  ASSERT_TRUE(n.optional && n.defaultValue);
  EXPECT_EQ(n.defaultValue->rawKind(), VarKind::Integer);  // "7" converted once, at declaration
}

TEST_F(MemberTest, CallsConvertArgumentsAndWriteByReferenceParametersAsTheirTypes) {
  EXPECT_EQ(call("Twice", "21").debugString(), "Long 42");
  EXPECT_TRUE(call("Nothing", "s", 1.5, true).isEmpty());
  Variant count, text, day, any(int32_t{41});
  EXPECT_TRUE(
      call("Outs", Variant::byRef(&count), Variant::byRef(&text), Variant::byRef(&day), Variant::byRef(&any))
          .isEmpty());
  EXPECT_EQ(count.debugString(), "Long 12");
  EXPECT_EQ(text.debugString(), "String \"5\"");
  EXPECT_EQ(day.kind(), VarKind::Date);
  EXPECT_EQ(day.toString(), "2024-03-01");
  EXPECT_EQ(any.debugString(), "Long 42");
  EXPECT_EQ(call("WithDefault").debugString(), "Integer 7");
  Variant dict = call("Dictionary", "2024-03-01");
  EXPECT_EQ(com::getProperty(*dict.toObject(), "Item", "day").toString(), "2024-03-01");
}

TEST_F(MemberTest, ABodyReachesItsObjectAndItsFullName) {
  EXPECT_EQ(call("WhoAmI").toString(), "Marlstone.TypedProbe.WhoAmI|Missing");
  EXPECT_EQ(call("ThroughSelf").toString(), "Marlstone.TypedProbe.WhoAmI|again");
}

TEST_F(MemberTest, AnObjectParameterTakesNothingOrItsOwnClassOnly) {
  com::Ref<halvern::List> list = com::makeObject<halvern::List>();
  list->add(Variant(int32_t{1}));
  EXPECT_EQ(call("ItemsIn", list).toLong(), 1);
  EXPECT_EQ(call("ItemsIn", Variant::nothing()).toLong(), -1);
  try {
    call("ItemsIn", com::makeObject<halvern::Dictionary>());
    ADD_FAILURE() << "a dictionary passed for a list";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.number(), com::err::kTypeMismatch);
  }
}

TEST(MemberDeclaration, ANameCountThatDiffersFromTheSignatureIsRefused) {
  com::TypeInfo t("Marlstone.TypedProbe", {});
  const frame::FrameFacts f = frame::presets::kPeriodService;
  EXPECT_THROW(frame::member(t, "Twice", f, {"sDsn"}, twice), std::logic_error);
  EXPECT_THROW(frame::member(t, "Twice", f, {"sDsn", "n", "extra"}, twice), std::logic_error);
  EXPECT_THROW(frame::member(t, "Twice", f, {frame::opt("sDsn"), "n"}, twice), std::logic_error);
  EXPECT_TRUE(t.members().empty());
}

}  // namespace
}  // namespace mls::testing
