#include "platform/com/object_context.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>

#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "support/com_errors.h"

namespace mls::com {
namespace {

using mls::testing::errorOf;
using mls::testing::raisedBy;

constexpr Guid kClsidWorker{0xC0000003, 0x0003, 0x0003, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kClsidOther{0xC0000004, 0x0004, 0x0004, {1, 2, 3, 4, 5, 6, 7, 8}};

// A class whose members vote the way the public methods do.
class Worker final : public DispatchObject {
 public:
  Worker() : DispatchObject(type()) {}
  static const TypeInfo& type() {
    static const TypeInfo info = [] {
      TypeInfo t("Test.Worker", kClsidWorker);
      t.method<Worker>("Succeed", {}, kNoResult, [](Worker&, Args) { getObjectContext().setComplete(); });
      t.method<Worker>("Fail", {}, kNoResult, [](Worker&, Args) {
        getObjectContext().setComplete();
        getObjectContext().setAbort();
        raise(err::kInvalidCall, "Test.Worker.Fail");
      });
      t.method<Worker>("Spawn", {Param("sProgId", VarKind::String)}, VarKind::Object,
                       [](Worker&, Args a) { return getObjectContext().createInstance(a[0].toString()); });
      return t;
    }();
    return info;
  }
};

class ObjectContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Classes not in process are looked up in a registry file that does not exist.
    if (const char* env = std::getenv("MARLSTONE_REGISTRY")) savedRegistry = env;
    ::setenv("MARLSTONE_REGISTRY", "/nonexistent/marlstone-registry", 1);
    ClassRegistry::instance().add(
        {"Test.Worker", kClsidWorker, [] { return Ref<Dispatch>(makeObject<Worker>()); }});
    worker = getObjectContext().createInstance("Test.Worker");
  }
  void TearDown() override {
    ClassRegistry::instance().remove("Test.Worker");
    if (savedRegistry) {
      ::setenv("MARLSTONE_REGISTRY", savedRegistry->c_str(), 1);
    } else {
      ::unsetenv("MARLSTONE_REGISTRY");
    }
  }

  std::optional<std::string> savedRegistry;
  Ref<Dispatch> worker;
};

TEST_F(ObjectContextTest, RecordersNestAndCloseAndStayPerThread) {
  callByName(*worker, "Succeed");  // cast with no recorder open: nobody sees it
  VoteRecorder outer;
  {
    VoteRecorder inner;
    callByName(*worker, "Succeed");
    EXPECT_EQ(inner.votes().size(), 1u);
  }
  EXPECT_THROW(callByName(*worker, "Fail"), ComError);
  EXPECT_EQ(outer.votes(), (std::vector<Vote>{Vote::Complete, Vote::Complete, Vote::Abort}));

  std::thread other([&] {
    VoteRecorder mine;
    getObjectContext().setAbort();
    EXPECT_EQ(mine.votes(), std::vector<Vote>{Vote::Abort});
  });
  other.join();
  EXPECT_EQ(outer.votes().size(), 3u);
  EXPECT_STREQ(voteName(Vote::Abort), "SetAbort");

  ObjectContext* here = &getObjectContext();
  ObjectContext* there = nullptr;
  std::thread([&] { there = &getObjectContext(); }).join();
  EXPECT_NE(there, here);
}

TEST_F(ObjectContextTest, CreateInstanceGoesThroughTheRegistry) {
  Variant made = callByName(*worker, "Spawn", "test.worker");
  ASSERT_TRUE(made.isObject());
  EXPECT_NE(made.toObject().get(), worker.get());
  VoteRecorder votes;
  callByName(*made.toObject(), "Succeed");
  EXPECT_EQ(votes.votes().size(), 1u);

  EXPECT_EQ(errorOf([&] { callByName(*worker, "Spawn", "No.Such.Class"); }), err::kCannotCreateObject);
}

TEST_F(ObjectContextTest, CreateInstanceFailsOnDemand) {
  {
    CreateInstanceFailure fail("TEST.WORKER");
    std::string description;
    EXPECT_EQ(errorOf([] { getObjectContext().createInstance("Test.Worker"); }, &description),
              err::kCannotCreateObject);
    EXPECT_NE(description.find("Test.Worker"), std::string::npos);
  }
  EXPECT_TRUE(getObjectContext().createInstance("Test.Worker"));

  ClassRegistry::instance().add(
      {"Test.Other", kClsidOther, [] { return Ref<Dispatch>(makeObject<Worker>()); }});
  {
    CreateInstanceFailure fail("Test.Other", {-1, "Sibling", "not available", "help.chm", 12});
    ComError e = raisedBy([&] { callByName(*worker, "Spawn", "Test.Other"); });
    EXPECT_EQ(e.number(), -1);
    EXPECT_EQ(e.source(), "Sibling");
    EXPECT_EQ(e.description(), "not available");
    EXPECT_EQ(e.helpContext(), 12);
    EXPECT_TRUE(getObjectContext().createInstance("Test.Worker"));  // other ProgIDs unaffected
  }
  ClassRegistry::instance().remove("Test.Other");
}

}  // namespace
}  // namespace mls::com
