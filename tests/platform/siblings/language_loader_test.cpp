// Pelloran.Loader through its dispatch interface, created by ProgID, over
// resource files written by the tests (the installed English file is read by
// the period services tests).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/com/dispatch.h"
#include "platform/com/registry.h"
#include "platform/siblings/resource_table.h"
#include "platform/siblings/sibling_classes.h"
#include "support/com_errors.h"

namespace mls::siblings {
namespace {

namespace fs = std::filesystem;
using com::ComError;
using com::Variant;

using mls::testing::errorOf;

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const com::ClassEntry& e : siblingClasses())
      com::ClassRegistry::instance().add(e);
    folder_ = fs::temp_directory_path() / ("mls_loader_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    ::setenv("MARLSTONE_RESOURCES", folder_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("MARLSTONE_RESOURCES");
    fs::remove_all(folder_);
  }
  void write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }
  com::Ref<com::Dispatch> loader(const std::string& base, const std::string& language) {
    com::Ref<com::Dispatch> l = com::createObject("Pelloran.Loader");
    com::letProperty(*l, "ResFileBaseName", base);
    com::letProperty(*l, "LanguageID", language);
    return l;
  }

  fs::path folder_;
};

TEST_F(LoaderTest, TranslatesKeysOfTheLanguageFile) {
  write("TaviCost.en.txt", "# comment\n\n否\tNo\n期间\\t%1\tPeriod\\t%1\r\n反\\\\斜\tback\\\\slash\n");
  com::Ref<com::Dispatch> l = loader("TaviCost", "en");
  EXPECT_EQ(com::callByName(*l, "LoadString", "否").toString(), "No");
  EXPECT_EQ(com::callByName(*l, "LoadString", "期间\t%1").toString(), "Period\t%1");
  EXPECT_EQ(com::callByName(*l, "LoadString", "反\\斜").toString(), "back\\slash");
  EXPECT_EQ(com::getProperty(*l, "ResFileBaseName").toString(), "TaviCost");
  EXPECT_EQ(com::getProperty(*l, "LanguageID").toString(), "en");
}

TEST_F(LoaderTest, KeyWithoutTranslationRaisesAndNamesIt) {
  write("TaviCost.en.txt", "否\tNo\n");
  com::Ref<com::Dispatch> l = loader("TaviCost", "en");
  std::string description;
  EXPECT_EQ(errorOf([&] { com::callByName(*l, "LoadString", "是"); }, &description), 326);
  EXPECT_NE(description.find("是"), std::string::npos);
  // Keys are matched exactly: the caller trims, the loader does not.
  EXPECT_EQ(errorOf([&] { com::callByName(*l, "LoadString", " 否"); }), 326);
}

TEST_F(LoaderTest, SwitchingLanguageOrUnloadingRereadsTheFile) {
  write("TaviCost.en.txt", "否\tNo\n");
  write("TaviCost.cht.txt", "否\t否(繁)\n");
  com::Ref<com::Dispatch> l = loader("TaviCost", "en");
  EXPECT_EQ(com::callByName(*l, "LoadString", "否").toString(), "No");
  com::letProperty(*l, "LanguageID", "cht");
  EXPECT_EQ(com::callByName(*l, "LoadString", "否").toString(), "否(繁)");

  write("TaviCost.cht.txt", "否\tchanged\n");
  EXPECT_EQ(com::callByName(*l, "LoadString", "否").toString(), "否(繁)");  // still the loaded table
  com::callByName(*l, "Unload");
  EXPECT_EQ(com::callByName(*l, "LoadString", "否").toString(), "changed");
}

TEST_F(LoaderTest, MissingFileOrSettingsRaise) {
  com::Ref<com::Dispatch> l = loader("TaviCost", "fr");
  std::string description;
  EXPECT_EQ(errorOf([&] { com::callByName(*l, "LoadString", "否"); }, &description), 53);
  EXPECT_NE(description.find("TaviCost.fr.txt"), std::string::npos);

  com::Ref<com::Dispatch> unset = com::createObject("Pelloran.Loader");
  EXPECT_EQ(errorOf([&] { com::callByName(*unset, "LoadString", "否"); }), 5);
}

TEST_F(LoaderTest, MalformedFilesRaiseWithFileAndLine) {
  write("A.en.txt", "否\tNo\nno tab here\n");
  std::string description;
  EXPECT_EQ(errorOf([&] { ResourceTable::load(folder_ / "A.en.txt"); }, &description), 5);
  EXPECT_NE(description.find("line 2"), std::string::npos);

  write("B.en.txt", "否\tNo\\x\n");
  EXPECT_EQ(errorOf([&] { ResourceTable::load(folder_ / "B.en.txt"); }), 5);

  write("C.en.txt", "否\tNo\n否\tNope\n");
  EXPECT_EQ(errorOf([&] { ResourceTable::load(folder_ / "C.en.txt"); }), 457);
}

}  // namespace
}  // namespace mls::siblings
