#include <gtest/gtest.h>

#include "platform/ado/connection_string.h"
#include "platform/ado/errors.h"
#include "platform/ado/fake_provider.h"

namespace mls::ado {
namespace {

using mls::testing::raisedBy;

TEST(ConnectionStringTest, KeysWithoutCaseAndTrimmed) {
  auto p = ConnectionProperties::parse("  provider = Marlstone.Embedded ;Data Source=Costs; ", "src");
  EXPECT_EQ(p.get("Provider"), "Marlstone.Embedded");
  EXPECT_EQ(p.get("DATA SOURCE"), "Costs");
  EXPECT_EQ(p.get("DataSource"), std::nullopt);  // inner spaces belong to the key
  EXPECT_EQ(p.entries().size(), 2u);
}

TEST(ConnectionStringTest, QuotedValuesKeepSeparatorsAndDoubledQuotes) {
  auto p = ConnectionProperties::parse(R"(A="x;y=z"; B='it''s' ; C="say ""hi""";D=;E=  plain text  )", "src");
  EXPECT_EQ(p.get("A"), "x;y=z");
  EXPECT_EQ(p.get("B"), "it's");
  EXPECT_EQ(p.get("C"), "say \"hi\"");
  EXPECT_EQ(p.get("D"), "");
  EXPECT_EQ(p.get("E"), "plain text");
  // ODBC braces are kept as written; an unclosed one is plain text.
  p = ConnectionProperties::parse("Driver={SQLite3 ODBC};PWD={a;b}}c} ;X={open;Y=1", "src");
  EXPECT_EQ(p.get("Driver"), "{SQLite3 ODBC}");
  EXPECT_EQ(p.get("PWD"), "{a;b}}c}");
  EXPECT_EQ(p.get("X"), "{open");
  EXPECT_EQ(p.get("Y"), "1");
}

TEST(ConnectionStringTest, RepeatedKeyKeepsLastValueAndEmptySegmentsAreSkipped) {
  auto p = ConnectionProperties::parse(";;Data Source=a;;data source=b;", "src");
  EXPECT_EQ(p.get("Data Source"), "b");
  EXPECT_EQ(p.entries().size(), 1u);
  EXPECT_TRUE(ConnectionProperties::parse("", "src").entries().empty());
}

TEST(ConnectionStringTest, MalformedStringsRaiseOpenFailure) {
  for (const char* text : {"Provider", "A=1;junk;B=2", "=value", "A=\"unclosed", "A='x' y;B=1"}) {
    com::ComError e = raisedBy([&] { ConnectionProperties::parse(text, "Test.Source"); });
    EXPECT_EQ(e.number(), err::kOpenFailed) << text;
    EXPECT_EQ(e.source(), "Test.Source") << text;
    EXPECT_NE(e.description().find("Invalid connection string"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace mls::ado
