#include "platform/com/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/com/class_factory.h"
#include "platform/com/dispatch.h"
#include "support/com_errors.h"

namespace mls::com {
namespace {

namespace fs = std::filesystem;

constexpr Guid kClsidA{0xA0000001, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kClsidB{0xB0000002, 0x0002, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

class Thing final : public DispatchObject {
 public:
  Thing() : DispatchObject(type()) {}
  static const TypeInfo& type() {
    static const TypeInfo info = [] {
      TypeInfo t("Test.Thing", kClsidA);
      t.method<Thing>("Name", {}, VarKind::String, [](Thing&, Args) { return "thing"; });
      return t;
    }();
    return info;
  }
};

using mls::testing::errorOf;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mls_registry_test_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ClassRegistry::instance().remove("Test.Thing");
  }
  std::string text(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir;
};

TEST_F(RegistryTest, FileRecordsRoundTripAndReplace) {
  RegistryFile file(dir / "sub" / "registry");
  EXPECT_TRUE(file.read().empty());  // no file yet
  file.add({{"Test.A", kClsidA, "/lib/a.so"}, {"Test.B", kClsidB, "/lib/b.so"}});
  EXPECT_EQ(file.read(), (std::vector<RegistryRecord>{{"Test.A", kClsidA, "/lib/a.so"},
                                                      {"Test.B", kClsidB, "/lib/b.so"}}));
  EXPECT_NE(text(file.path()).find("Test.B\t{B0000002-0002-0002-0102-030405060708}\t/lib/b.so\n"),
            std::string::npos);

  // Same ProgID (any case) or same CLSID replaces the older record.
  file.add({{"test.a", kClsidA, "/lib/a2.so"}});
  file.add({{"Test.B2", kClsidB, "/lib/b2.so"}});
  EXPECT_EQ(file.read(), (std::vector<RegistryRecord>{{"test.a", kClsidA, "/lib/a2.so"},
                                                      {"Test.B2", kClsidB, "/lib/b2.so"}}));
  ASSERT_TRUE(file.find("TEST.A"));
  EXPECT_EQ(file.find("TEST.A")->library, "/lib/a2.so");
  EXPECT_FALSE(file.find("Test.B"));

  file.remove({kClsidA});
  EXPECT_EQ(file.read(), (std::vector<RegistryRecord>{{"Test.B2", kClsidB, "/lib/b2.so"}}));
}

TEST_F(RegistryTest, MalformedFileRaisesWithLine) {
  RegistryFile file(dir / "registry");
  std::ofstream(file.path()) << "# comment\n\nTest.A\t{A0000001-0001-0001-0102-030405060708}\t/a.so\n"
                                "Test.B\tnot-a-guid\t/b.so\n";
  std::string description;
  EXPECT_EQ(errorOf([&] { file.read(); }, &description), 321);
  EXPECT_NE(description.find("line 4"), std::string::npos) << description;
  // Adding to a damaged file is refused and leaves the file as it was.
  std::string before = text(file.path());
  EXPECT_EQ(errorOf([&] { file.add({{"Test.C", kClsidB, "/c.so"}}); }), 321);
  EXPECT_EQ(text(file.path()), before);

  std::ofstream(file.path()) << "Test.A\t{A0000001-0001-0001-0102-030405060708}\n";
  EXPECT_EQ(errorOf([&] { file.read(); }), 321);
}

TEST_F(RegistryTest, BadRecordsAndUnwritableFileRaise) {
  RegistryFile file(dir / "registry");
  EXPECT_EQ(errorOf([&] { file.add({{"Bad\tName", kClsidA, "/a.so"}}); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { file.add({{"", kClsidA, "/a.so"}}); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { file.add({{"Test.A", kClsidA, ""}}); }), err::kInvalidCall);
  EXPECT_FALSE(fs::exists(file.path()));

  std::ofstream(dir / "plain") << "x";
  RegistryFile blocked(dir / "plain" / "registry");  // its folder is a file
  EXPECT_EQ(errorOf([&] { blocked.add({{"Test.A", kClsidA, "/a.so"}}); }), 75);
}

// What a setting names is taken only as a regular file of bounded size: a
// device is not read without end, a FIFO is not waited on for ever.
TEST_F(RegistryTest, OnlyBoundedRegularFilesAreReadOrLoaded) {
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directories(dir / "folder");
  std::ofstream(dir / "large") << std::string((1 << 20) + 1, '#');
  struct Case {
    fs::path path;
    const char* why;
  };
  for (const Case& c :
       {Case{"/dev/zero", "is not a regular file"}, Case{fifo, "is not a regular file"},
        Case{dir / "folder", "is not a regular file"}, Case{dir / "large", "holds more than 1048576"}}) {
    RegistryFile file(c.path);
    std::string description;
    EXPECT_EQ(errorOf([&] { file.read(); }, &description), err::kFileAccess) << c.path;
    EXPECT_NE(description.find("Cannot read registry file " + c.path.string() + ": it " + c.why),
              std::string::npos)
        << description;
    EXPECT_EQ(errorOf([&] { file.add({{"Test.A", kClsidA, "/a.so"}}); }), err::kFileAccess) << c.path;

    RegistryFile naming(dir / "registry");
    naming.add({{"Test.Odd", kClsidB, c.path.string()}});
    EXPECT_EQ(errorOf([&] { createObject("Test.Odd", naming); }, &description), err::kCannotCreateObject);
    if (c.path != dir / "large") {
      EXPECT_NE(description.find(c.path.string() + ": it is not a regular file"), std::string::npos)
          << description;
    }
  }
  EXPECT_EQ(fs::file_size(dir / "large"), (1u << 20) + 1);  // refused, left as it was
}

TEST_F(RegistryTest, LocationComesFromEnvironment) {
  const char* saved = std::getenv("MARLSTONE_REGISTRY");
  std::string keep = saved ? saved : "";
  ::setenv("MARLSTONE_REGISTRY", (dir / "r").c_str(), 1);
  EXPECT_EQ(RegistryFile::fromEnvironment().path(), dir / "r");
  ::unsetenv("MARLSTONE_REGISTRY");
  const char* home = std::getenv("HOME");
  if (home) {
    EXPECT_EQ(RegistryFile::fromEnvironment().path(), fs::path(home) / ".config/marlstone/registry");
  }
  if (saved) ::setenv("MARLSTONE_REGISTRY", keep.c_str(), 1);
}

TEST_F(RegistryTest, CreateObjectInProcessIgnoresProgIdCase) {
  ClassRegistry::instance().add({"Test.Thing", kClsidA, [] { return Ref<Dispatch>(makeObject<Thing>()); }});
  RegistryFile empty(dir / "registry");
  Ref<Dispatch> obj = createObject("TEST.thing", empty);
  ASSERT_TRUE(obj);
  EXPECT_EQ(callByName(*obj, "Name").toString(), "thing");
  ASSERT_TRUE(ClassRegistry::instance().findClsid(kClsidA));
  EXPECT_EQ(ClassRegistry::instance().findClsid(kClsidA)->progId, "Test.Thing");

  ClassRegistry::instance().remove("test.THING");
  EXPECT_EQ(errorOf([&] { createObject("Test.Thing", empty); }), err::kCannotCreateObject);
}

TEST_F(RegistryTest, UnknownOrUnloadableClassesRaise429) {
  RegistryFile file(dir / "registry");
  file.add({{"Test.Gone", kClsidB, (dir / "missing.so").string()}});
  for (const auto& c : {std::pair{"No.Such", "No.Such"}, std::pair{"Test.Gone", "missing.so"}}) {
    std::string description;
    EXPECT_EQ(errorOf([&] { createObject(c.first, file); }, &description), err::kCannotCreateObject);
    EXPECT_NE(description.find(c.second), std::string::npos) << description;
  }
}

TEST(ClassFactoryTest, CreatesInstancesAndMapsErrors) {
  Ref<ClassFactory> factory = makeClassFactory([] { return Ref<Dispatch>(makeObject<Thing>()); });
  void* p = nullptr;
  ASSERT_EQ(factory->createInstance(kIidDispatch, &p), kOk);
  Ref<Dispatch> obj = Ref<Dispatch>::adopt(static_cast<Dispatch*>(p));
  EXPECT_EQ(callByName(*obj, "Name").toString(), "thing");
  EXPECT_EQ(factory->createInstance(kIidClassFactory, &p), kNoInterface);

  Ref<ClassFactory> failing =
      makeClassFactory([]() -> Ref<Dispatch> { raise(err::kCannotCreateObject, "x"); });
  EXPECT_EQ(failing->createInstance(kIidDispatch, &p), static_cast<HResult>(0x800A01AD));
  EXPECT_EQ(p, nullptr);

  uint32_t locks = serverLocks();
  factory->lockServer(true);
  EXPECT_EQ(serverLocks(), locks + 1);
  factory->lockServer(false);
  EXPECT_EQ(serverLocks(), locks);
}

TEST(ClassFactoryTest, ErrorNumbersAndHResults) {
  EXPECT_EQ(hresultFromError(429), static_cast<HResult>(0x800A01AD));
  EXPECT_EQ(errorFromHresult(hresultFromError(429)), 429);
  EXPECT_EQ(hresultFromError(-1), -1);
  EXPECT_EQ(hresultFromError(static_cast<int32_t>(0x80044044)), static_cast<int32_t>(0x80044044));
  EXPECT_EQ(errorFromHresult(kFail), kFail);
}

}  // namespace
}  // namespace mls::com
