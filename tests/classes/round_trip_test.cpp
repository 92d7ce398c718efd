// Registration in one process, creation by ProgID in another: the registry file
// is the only thing the two share.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/com/class_factory.h"
#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "run_command.h"
#include "support/com_errors.h"

namespace mls::com {
namespace {

namespace fs = std::filesystem;

struct PublicClass {
  const char* progId;
  const char* clsid;
  const char* iid;
};
const PublicClass kPublicClasses[] = {
    {"Marlstone.CalInfo", "{E6161E5E-956A-11D7-9E78-00E01869F6B0}", "{A49754EC-D00C-4998-8FC2-8A0D497B0152}"},
    {"Marlstone.CalInfoCheck", "{E6161E60-956A-11D7-9E78-00E01869F6B0}",
     "{EB902E73-3001-42C5-B00C-940E2F6E1834}"},
    {"Marlstone.ConcludeInfo", "{E6161E62-956A-11D7-9E78-00E01869F6B0}",
     "{7A710424-68FC-4BDA-98D7-D94A57130502}"},
    {"Marlstone.ConcludeUpdate", "{E6161E64-956A-11D7-9E78-00E01869F6B0}",
     "{B51C990A-7014-4551-BE36-1331FEE56AA2}"},
    {"Marlstone.AutoDis", "{E6161E66-956A-11D7-9E78-00E01869F6B0}", "{2C736AC5-7AC6-40A8-804D-E0516BBE365D}"},
    {"Marlstone.AutoDisInfo", "{E6161E68-956A-11D7-9E78-00E01869F6B0}",
     "{45C26AB3-E7D8-4EFE-9A31-DCD3AAB00F62}"},
    {"Marlstone.WConcludeInfo", "{E6161E6A-956A-11D7-9E78-00E01869F6B0}",
     "{4C063FAA-6791-4E85-AB2E-3770BC85FC39}"},
};

using mls::testing::errorOf;
using mls::testing::run;

class RoundTripTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("mls_round_trip_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("MARLSTONE_REGISTRY", (dir / "registry").c_str(), 1);
    // This process must not have the library loaded before it creates an object.
    ASSERT_EQ(::dlopen(MLS_CORE_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr);
    // Registration runs in a child process, which loads the library and exits.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      void* lib = ::dlopen(MLS_CORE_LIBRARY, RTLD_NOW);
      auto reg = lib ? reinterpret_cast<DllRegisterServerFn>(::dlsym(lib, "DllRegisterServer")) : nullptr;
      ::_exit(reg && reg() == kOk ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }

  static fs::path dir;
};
fs::path RoundTripTest::dir;

TEST_F(RoundTripTest, RegistrationWritesEveryClassWithTheLibraryPath) {
  std::vector<RegistryRecord> records = RegistryFile::fromEnvironment().read();
  ASSERT_EQ(records.size(), 12u);
  for (const RegistryRecord& r : records)
    EXPECT_TRUE(fs::equivalent(r.library, MLS_CORE_LIBRARY)) << r.library;
  for (const PublicClass& c : kPublicClasses) {
    std::optional<RegistryRecord> r = RegistryFile::fromEnvironment().find(c.progId);
    ASSERT_TRUE(r) << c.progId;
    EXPECT_EQ(r->clsid.toString(), c.clsid);
  }
  EXPECT_TRUE(RegistryFile::fromEnvironment().find("Halvern.Dictionary"));
  EXPECT_TRUE(RegistryFile::fromEnvironment().find("Halvern.List"));
  EXPECT_TRUE(RegistryFile::fromEnvironment().find("Ridgeholm.AisInfo"));
  EXPECT_TRUE(RegistryFile::fromEnvironment().find("Ashgrove.OthenExpense"));
  EXPECT_TRUE(RegistryFile::fromEnvironment().find("Pelloran.Loader"));
}

TEST_F(RoundTripTest, PublicClassesAnswerTheirInterfacesAndNoMemberYet) {
  for (const PublicClass& c : kPublicClasses) {
    Ref<Dispatch> obj = createObject(c.progId);
    ASSERT_TRUE(obj) << c.progId;
    void* p = nullptr;
    ASSERT_EQ(obj->queryInterface(*Guid::parse(c.iid), &p), kOk) << c.progId;
    static_cast<Unknown*>(p)->release();
    try {
      callByName(*obj, "InitClassDataEnv", "dsn");
      ADD_FAILURE() << c.progId;
    } catch (const ComError& e) {
      EXPECT_EQ(e.number(), err::kNoSuchMember);
      EXPECT_EQ(e.source(), c.progId);
    }
  }
}

TEST_F(RoundTripTest, FoundationObjectsAreCalledByName) {
  Ref<Dispatch> dictionary = createObject("halvern.dictionary");
  letProperty(*dictionary, "Item", "Language", "en");
  EXPECT_EQ(getProperty(*dictionary, "item", "LANGUAGE").toString(), "en");
  Ref<Dispatch> list = createObject("Halvern.List");
  callByName(*list, "Add", Variant(Ref<Dispatch>(dictionary)));
  EXPECT_EQ(getProperty(*list, "Count").toLong(), 1);
  EXPECT_EQ(getProperty(*list, "Item", 1).toObject(), dictionary);
}

TEST_F(RoundTripTest, ExportsAnswerForTheirClassesAndObjects) {
  auto getClassObject =
      reinterpret_cast<DllGetClassObjectFn>(libraryExport(MLS_CORE_LIBRARY, "DllGetClassObject"));
  auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(libraryExport(MLS_CORE_LIBRARY, "DllCanUnloadNow"));
  void* p = nullptr;
  EXPECT_EQ(getClassObject(*Guid::parse(kPublicClasses[0].iid), kIidClassFactory, &p), kClassNotAvailable);
  EXPECT_EQ(p, nullptr);

  ASSERT_EQ(getClassObject(*Guid::parse(kPublicClasses[3].clsid), kIidClassFactory, &p), kOk);
  Ref<ClassFactory> factory = Ref<ClassFactory>::adopt(static_cast<ClassFactory*>(p));
  EXPECT_EQ(canUnload(), kOk);
  ASSERT_EQ(factory->createInstance(*Guid::parse(kPublicClasses[3].iid), &p), kOk);
  Ref<Dispatch> obj = Ref<Dispatch>::adopt(static_cast<Dispatch*>(p));
  EXPECT_EQ(canUnload(), kFalse);
  obj = nullptr;
  EXPECT_EQ(canUnload(), kOk);
  factory->lockServer(true);
  EXPECT_EQ(canUnload(), kFalse);
  factory->lockServer(false);
  EXPECT_EQ(canUnload(), kOk);
}

TEST_F(RoundTripTest, HostRegistersUnregistersAndCalls) {
  std::string out;
  ASSERT_EQ(run(MLS_HOST " unregister", &out), 0) << out;
  EXPECT_EQ(errorOf([] { createObject("Marlstone.CalInfo"); }), err::kCannotCreateObject);
  out.clear();
  ASSERT_EQ(run(MLS_HOST " register", &out), 0) << out;
  EXPECT_NE(out.find("Marlstone.WConcludeInfo {E6161E6A-956A-11D7-9E78-00E01869F6B0}"), std::string::npos)
      << out;
  EXPECT_TRUE(createObject("Marlstone.CalInfo"));

  out.clear();
  EXPECT_EQ(run(MLS_HOST " call Marlstone.CalInfo NoSuchMember dsn", &out), 1);
  EXPECT_NE(out.find("error 438 (Marlstone.CalInfo)"), std::string::npos) << out;
  out.clear();
  EXPECT_EQ(run(MLS_HOST " call Halvern.Dictionary Exists key", &out), 0) << out;
  EXPECT_NE(out.find("result: Boolean False"), std::string::npos) << out;
  EXPECT_NE(out.find("votes: none"), std::string::npos) << out;
}

}  // namespace
}  // namespace mls::com
