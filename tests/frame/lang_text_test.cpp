// Language texts through the thread's loader (Pelloran.Loader, created by
// ProgID) over resource files written by the tests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "frame/cparse.h"
#include "frame/lang_text.h"
#include "platform/com/error.h"
#include "platform/com/registry.h"
#include "platform/siblings/sibling_classes.h"

namespace mls::frame {
namespace {

namespace fs = std::filesystem;

class LangTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const com::ClassEntry& e : siblings::siblingClasses())
      com::ClassRegistry::instance().add(e);
    folder_ = fs::temp_directory_path() / ("mls_langtext_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    ::setenv("MARLSTONE_RESOURCES", folder_.c_str(), 1);
    write("TaviCost.en.txt", "否\tNo\n期间%1\tPeriod %1\n");
    write("TaviCost.chs.txt", "否\tasked\n");
    unloadLanguageLoader();
    com::clearCurrentError();
  }
  void TearDown() override {
    unloadLanguageLoader();
    for (const com::ClassEntry& e : siblings::siblingClasses())
      com::ClassRegistry::instance().add(e);
    ::unsetenv("MARLSTONE_RESOURCES");
    ::unsetenv("MARLSTONE_REGISTRY");
    fs::remove_all(folder_);
  }
  void write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }

  fs::path folder_;
};

// "chs" (exactly) answers the text itself; other languages ask the loader with
// the trimmed text, and text without translation or file comes back unchanged.
TEST_F(LangTextTest, ChsAnswersTheTextOthersAskTheLoader) {
  for (auto [text, language, answer] :
       {std::tuple{" 否 ", "chs", " 否 "}, std::tuple{"  否 ", "en", "No"}, std::tuple{"否", "CHS", "asked"},
        std::tuple{" 是 ", "en", " 是 "}, std::tuple{"否", "fr", "否"}})
    EXPECT_EQ(langText(text, language), answer) << text << " " << language;
}

TEST_F(LangTextTest, PendingErrorSurvivesEvenWhenTheLoaderCannotBeCreated) {
  com::ClassRegistry::instance().remove("Pelloran.Loader");
  ::setenv("MARLSTONE_REGISTRY", (folder_ / "empty-registry").c_str(), 1);
  com::currentError() = {5, "Marlstone.CalInfo.X", "pending", "help.chm", 12};
  EXPECT_EQ(langText("否", "en"), "否");
  const com::ExcepInfo& e = com::currentError();
  EXPECT_EQ(e.number, 5);
  EXPECT_EQ(e.source, "Marlstone.CalInfo.X");
  EXPECT_EQ(e.description, "pending");
  EXPECT_EQ(e.helpFile, "help.chm");
  EXPECT_EQ(e.helpContext, 12);
}

TEST_F(LangTextTest, PendingErrorSurvivesALoaderFailureAndSuccess) {
  com::currentError() = {-1, "src", "pending", "", 0};
  EXPECT_EQ(langText("是", "en"), "是");  // the loader raises 326 inside
  EXPECT_EQ(com::currentError().number, -1);
  EXPECT_EQ(langText("否", "en"), "No");
  EXPECT_EQ(com::currentError().source, "src");
}

TEST_F(LangTextTest, FormatFillsPlaceholdersOfTheTranslatedText) {
  com::Variant args = com::SafeArray::vector({com::Variant(int32_t{3})});
  EXPECT_EQ(langTextFormat("en", "期间%1", args), "Period 3");
  EXPECT_EQ(langTextFormat("chs", "期间%1", args), "期间3");
}

TEST_F(LangTextTest, EndingAParserUnloadsTheThreadsLoader) {
  EXPECT_EQ(langText("否", "en"), "No");
  write("TaviCost.en.txt", "否\tNope\n");
  EXPECT_EQ(langText("否", "en"), "No");  // the loader keeps the file it read
  { CParse parser; }
  EXPECT_EQ(langText("否", "en"), "Nope");
}

}  // namespace
}  // namespace mls::frame
