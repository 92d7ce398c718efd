#include "platform/com/dispatch.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/com_errors.h"

namespace mls::com {
namespace {

// A class with one member of each shape the dispatcher handles.
class Sample final : public DispatchObject {
 public:
  Sample() : DispatchObject(type()) {}
  static constexpr Guid kIid{0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

  static const TypeInfo& type() {
    static const TypeInfo info = [] {
      TypeInfo t("Test.Sample", kIid);
      t.method<Sample>("Add", {Param("a", VarKind::Long), Param("b", VarKind::Long)}, VarKind::Long,
                       [](Sample&, Args a) { return a[0].toLong() + a[1].toLong(); });
      t.method<Sample>("Echo", {Param("v")}, kAny, [](Sample&, Args a) { return a[0]; });
      t.method<Sample>("Fill",
                       {Param("n", VarKind::Long), Param("lngOut", VarKind::Long).ref(), Param("vOut").ref()},
                       kNoResult, [](Sample&, Args a) {
                         a[1].assign(Variant(a[0].toLong() * 2));
                         a[2].assign(Variant("done"));
                       });
      t.method<Sample>("FillThenFail", {Param("lngOut", VarKind::Long).ref(), Param("vOut").ref()}, kNoResult,
                       [](Sample&, Args a) {
                         a[0].assign(Variant(7));
                         a[1].assign(Variant("partial"));
                         raise(err::kInvalidCall, "Test.Sample.FillThenFail", "stopped");
                       });
      t.method<Sample>("Greet",
                       {Param("sName", VarKind::String), Param("sGreeting", VarKind::String).opt("Hello"),
                        Param("vSuffix").opt()},
                       VarKind::String, [](Sample&, Args a) {
                         std::string s = a[1].toString() + " " + a[0].toString();
                         return a[2].isMissing() ? s : s + a[2].toString();
                       });
      t.method<Sample>("KindOf", {Param("v").opt()}, VarKind::Long,
                       [](Sample&, Args a) { return static_cast<int32_t>(a[0].rawKind()); });
      t.method<Sample>("Half", {}, VarKind::Long, [](Sample&, Args) { return 2.5; });
      t.method<Sample>("Throws", {}, kNoResult, [](Sample&, Args) { throw std::runtime_error("broken"); });
      t.propertyGet<Sample>("Value", {}, VarKind::Long, [](Sample& s, Args) { return s.value; });
      t.propertyLet<Sample>("Value", {Param("v", VarKind::Long)},
                            [](Sample& s, Args a) { s.value = a[0].toLong(); });
      t.propertySet<Sample>("Peer", {Param("o", VarKind::Object)}, [](Sample& s, Args a) { s.peer = a[0]; });
      t.propertyGet<Sample>("Peer", {}, VarKind::Object, [](Sample& s, Args) { return s.peer; });
      return t;
    }();
    return info;
  }

  int32_t value = 0;
  Variant peer = Variant::nothing();
};

class DispatchTest : public ::testing::Test {
 protected:
  // Calls and answers the raised error's number (0 when none).
  template <class... A>
  int32_t errorOf(std::string_view name, A&&... args) {
    return testing::errorOf([&] { callByName(*obj, name, std::forward<A>(args)...); });
  }

  Ref<Sample> obj = makeObject<Sample>();
};

TEST_F(DispatchTest, MemberNamesIgnoreCase) {
  EXPECT_EQ(callByName(*obj, "add", 2, 3).toLong(), 5);
  EXPECT_EQ(callByName(*obj, "ADD", 2, 3).toLong(), 5);
  EXPECT_EQ(errorOf("Ad", 2, 3), err::kNoSuchMember);
  EXPECT_EQ(errorOf("Nope"), err::kNoSuchMember);
}

TEST_F(DispatchTest, ArgumentsAndResultsAreCoercedToDeclaredTypes) {
  Variant r = callByName(*obj, "Add", "12", 12.0);
  EXPECT_EQ(r.rawKind(), VarKind::Long);
  EXPECT_EQ(r.toLong(), 24);
  EXPECT_EQ(callByName(*obj, "Add", 2.5, 3.5).toLong(), 6);  // 2 + 4: half to even
  com::ComError e = mls::testing::raisedBy([&] { callByName(*obj, "Add", "abc", 1); });
  EXPECT_EQ(e.number(), err::kTypeMismatch);
  EXPECT_EQ(e.source(), "Test.Sample");
  EXPECT_EQ(errorOf("Add", 1e12, 1), err::kOverflow);
  EXPECT_EQ(errorOf("Add", Variant::null(), 1), err::kInvalidUseOfNull);
  // A Variant parameter takes the value as it is.
  EXPECT_EQ(callByName(*obj, "Echo", "12").rawKind(), VarKind::String);
  r = callByName(*obj, "Half");
  EXPECT_EQ(r.rawKind(), VarKind::Long);
  EXPECT_EQ(r.toLong(), 2);
  EXPECT_EQ(callByName(*obj, "Fill", 1, Variant(), Variant()).rawKind(), VarKind::Empty);
}

TEST_F(DispatchTest, ArgumentCountAndMissingArguments) {
  EXPECT_EQ(errorOf("Add", 1), err::kWrongArgumentCount);
  EXPECT_EQ(errorOf("Add", 1, 2, 3), err::kWrongArgumentCount);
  EXPECT_EQ(errorOf("Add", Variant::missing(), 2), err::kArgumentNotOptional);
  EXPECT_EQ(errorOf("Greet"), err::kWrongArgumentCount);
  EXPECT_EQ(errorOf("Greet", "Ann", 1, 2, 3), err::kWrongArgumentCount);
}

TEST_F(DispatchTest, OptionalParametersTakeDefaultsOrMissing) {
  EXPECT_EQ(callByName(*obj, "Greet", "Ann").toString(), "Hello Ann");
  EXPECT_EQ(callByName(*obj, "Greet", "Ann", Variant::missing()).toString(), "Hello Ann");
  EXPECT_EQ(callByName(*obj, "Greet", "Ann", "Hi").toString(), "Hi Ann");
  EXPECT_EQ(callByName(*obj, "Greet", "Ann", Variant::missing(), "!").toString(), "Hello Ann!");
  // An optional parameter without default sees Missing, omitted or passed.
  EXPECT_EQ(callByName(*obj, "KindOf").toLong(), static_cast<int32_t>(VarKind::Missing));
  EXPECT_EQ(callByName(*obj, "KindOf", Variant::missing()).toLong(), static_cast<int32_t>(VarKind::Missing));
  EXPECT_EQ(callByName(*obj, "KindOf", Variant()).toLong(), static_cast<int32_t>(VarKind::Empty));
}

TEST_F(DispatchTest, ByReferenceArgumentsAreWrittenBack) {
  Variant n = "3";
  Variant out = "4";
  Variant vOut;
  callByName(*obj, "Fill", Variant::byRef(&n), Variant::byRef(&out), Variant::byRef(&vOut));
  EXPECT_EQ(n.rawKind(), VarKind::String);  // by-value parameter: the caller's variable stays
  EXPECT_EQ(out.rawKind(), VarKind::Long);
  EXPECT_EQ(out.toLong(), 6);
  EXPECT_EQ(vOut.toString(), "done");

  // Passed by value, the callee's writes go to its own copies.
  Variant keep = 1;
  Variant keepV = "v";
  callByName(*obj, "Fill", 5, keep, keepV);
  EXPECT_EQ(keep.toLong(), 1);
  EXPECT_EQ(keepV.toString(), "v");
}

TEST_F(DispatchTest, ByReferenceWritesSurviveARaise) {
  Variant out = 0;
  Variant vOut = "before";
  ComError e = mls::testing::raisedBy(
      [&] { callByName(*obj, "FillThenFail", Variant::byRef(&out), Variant::byRef(&vOut)); });
  EXPECT_EQ(e.number(), err::kInvalidCall);
  EXPECT_EQ(e.source(), "Test.Sample.FillThenFail");
  EXPECT_EQ(e.description(), "stopped");
  EXPECT_EQ(out.toLong(), 7);
  EXPECT_EQ(vOut.toString(), "partial");
}

TEST_F(DispatchTest, ByReferenceCoercionFailureLeavesCallerVariable) {
  Variant out = "abc";
  Variant vOut = "keep";
  EXPECT_EQ(errorOf("Fill", 1, Variant::byRef(&out), Variant::byRef(&vOut)), err::kTypeMismatch);
  EXPECT_EQ(out.toString(), "abc");
  EXPECT_EQ(vOut.toString(), "keep");
}

TEST_F(DispatchTest, PropertiesGetLetAndSet) {
  letProperty(*obj, "value", "42");
  EXPECT_EQ(obj->value, 42);
  EXPECT_EQ(getProperty(*obj, "Value").toLong(), 42);
  EXPECT_EQ(callByName(*obj, "Value").toLong(), 42);  // method-or-get finds the get

  Ref<Sample> other = makeObject<Sample>();
  setProperty(*obj, "Peer", Variant(Ref<Dispatch>(other)));
  EXPECT_EQ(getProperty(*obj, "Peer").toObject().get(), static_cast<Dispatch*>(other.get()));
  // Let is not Set, and a method is not a property.
  EXPECT_THROW(letProperty(*obj, "Peer", Variant(Ref<Dispatch>(other))), ComError);
  EXPECT_THROW(letProperty(*obj, "Add", 1), ComError);
  EXPECT_THROW(setProperty(*obj, "Peer", 5), ComError);
}

TEST_F(DispatchTest, InterfaceAnswersDispExceptionWithExcepInfo) {
  Variant result = "untouched";
  ExcepInfo excep;
  std::vector<Variant> args{Variant("abc"), Variant(1)};
  EXPECT_EQ(obj->invoke("Add", InvokeKind::Method, args, &result, &excep), kDispException);
  EXPECT_EQ(excep.number, err::kTypeMismatch);
  EXPECT_EQ(result.toString(), "untouched");

  EXPECT_EQ(obj->invoke("Throws", InvokeKind::Method, {}, &result, &excep), kDispException);
  EXPECT_EQ(excep.number, kFail);
  EXPECT_EQ(excep.description, "broken");
  EXPECT_EQ(obj->invoke("Half", InvokeKind::Method, {}, nullptr, &excep), kOk);
}

TEST_F(DispatchTest, QueryInterfaceAndLifetime) {
  uint32_t before = DispatchObject::liveObjects();
  void* p = nullptr;
  {
    Ref<Sample> local = makeObject<Sample>();
    EXPECT_EQ(DispatchObject::liveObjects(), before + 1);
    for (const Guid& iid : {kIidUnknown, kIidDispatch, Sample::kIid}) {
      ASSERT_EQ(local->queryInterface(iid, &p), kOk);
      EXPECT_EQ(p, static_cast<Dispatch*>(local.get()));
      local->release();
    }
    EXPECT_EQ(local->queryInterface(kIidClassFactory, &p), kNoInterface);
    EXPECT_EQ(p, nullptr);
    ASSERT_NE(typeInfoOf(*local), nullptr);
    EXPECT_EQ(typeInfoOf(*local)->className(), "Test.Sample");
  }
  EXPECT_EQ(DispatchObject::liveObjects(), before);
}

}  // namespace
}  // namespace mls::com
