#include "platform/com/error.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/com_errors.h"

namespace mls::com {
namespace {

class ErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { clearCurrentError(); }
  void TearDown() override { clearCurrentError(); }
};

ComError caught(auto&& f) {
  ComError e = mls::testing::raisedBy(f);
  EXPECT_NE(e.number(), 0) << "nothing was raised";
  return e;
}

// Overflow and Type mismatch are checked where raise() fills them in.
TEST_F(ErrorTest, StandardTexts) {
  EXPECT_EQ(standardDescription(429), "ActiveX component can't create object");
  EXPECT_EQ(
      standardDescription(3021),
      "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
      "current record.");
  EXPECT_EQ(standardDescription(12345), "Application-defined or object-defined error");
}

TEST_F(ErrorTest, RaiseCarriesAllParts) {
  ComError e = caught([] { raise(-2147217900, "Cost.Period", "Period is closed", "cost.chm", 42); });
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(e.source(), "Cost.Period");
  EXPECT_EQ(e.description(), "Period is closed");
  EXPECT_EQ(e.helpFile(), "cost.chm");
  EXPECT_EQ(e.helpContext(), 42);
  EXPECT_NE(std::string(e.what()).find("Period is closed"), std::string::npos);
  EXPECT_EQ(currentError().number, -2147217900);
  EXPECT_EQ(currentError().source, "Cost.Period");
}

TEST_F(ErrorTest, RaiseWithoutSourceKeepsTheCurrentSource) {
  ComError first = caught([] { raise(err::kOverflow); });
  EXPECT_EQ(first.source(), "Marlstone");  // nothing current yet
  EXPECT_EQ(first.description(), "Overflow");

  caught([] { raise(5, "Cost.Calculation", "bad"); });
  ComError kept = caught([] { raise(err::kTypeMismatch); });
  EXPECT_EQ(kept.source(), "Cost.Calculation");
  EXPECT_EQ(kept.description(), "Type mismatch");
  EXPECT_EQ(kept.number(), 13);

  clearCurrentError();
  EXPECT_EQ(caught([] { raise(9); }).source(), "Marlstone");
}

TEST_F(ErrorTest, ReraiseReplacesOnlyTheSource) {
  ComError original = caught([] { raise(3265, "ADODB.Fields", "", "ado.chm", 7); });
  ComError again = caught([&] { reraise(original, "Cost.Rates"); });
  EXPECT_EQ(again.number(), 3265);
  EXPECT_EQ(again.source(), "Cost.Rates");
  EXPECT_EQ(again.description(), standardDescription(3265));
  EXPECT_EQ(again.helpFile(), "ado.chm");
  EXPECT_EQ(again.helpContext(), 7);
  EXPECT_EQ(currentError().source, "Cost.Rates");
}

TEST_F(ErrorTest, CurrentErrorIsPerThread) {
  caught([] { raise(5, "Main.Thread", "x"); });
  std::string otherSource;
  std::thread([&] {
    try {
      raise(6);
    } catch (const ComError& e) {
      otherSource = e.source();
    }
  }).join();
  EXPECT_EQ(otherSource, "Marlstone");
  EXPECT_EQ(currentError().source, "Main.Thread");
}

}  // namespace
}  // namespace mls::com
