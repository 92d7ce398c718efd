// The pieces under the file format: checksum, byte encoding, the text kept for
// DEFAULT expressions, the checks of a decoded image, and the CHECKPOINT statement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/tsql/catalog/undo_log.h"
#include "platform/tsql/exec/session_impl.h"
#include "platform/tsql/parse/parser.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
#include "platform/tsql/storage/database_image.h"
#include "platform/tsql/storage/expr_text.h"

namespace mls::tsql::storage {
namespace {

TEST(Checksum, EveryByteAndEveryLengthCounts) {
  std::vector<uint8_t> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 7);
  const uint64_t base = checksum64(bytes);
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] ^= 0x10;
    EXPECT_NE(checksum64(bytes), base) << "byte " << i;
    bytes[i] ^= 0x10;
  }
  // Lengths around the 32- and 8-byte strides, and trailing zeros.
  std::vector<uint64_t> seen;
  for (size_t n = 0; n <= 70; ++n) {
    std::vector<uint8_t> zeros(n, 0);
    seen.push_back(checksum64(zeros));
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

TEST(ByteIo, NumbersAndTextsRoundTrip) {
  ByteWriter out;
  const std::vector<int64_t> signedValues = {
      0, 1, -1, 63, -64, 64, std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()};
  for (int64_t v : signedValues)
    out.svarint(v);
  out.varint(std::numeric_limits<uint64_t>::max());
  out.u32(0xDEADBEEF);
  out.u64(0x0123456789ABCDEFull);
  out.text("日本語");
  out.text("");
  ByteReader in(out.bytes());
  for (int64_t v : signedValues)
    EXPECT_EQ(in.svarint(), v);
  EXPECT_EQ(in.varint(), std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(in.u32(), 0xDEADBEEFu);
  EXPECT_EQ(in.u64(), 0x0123456789ABCDEFull);
  EXPECT_EQ(in.text(), "日本語");
  EXPECT_EQ(in.text(), "");
  EXPECT_TRUE(in.atEnd());
}

TEST(ByteIo, ReadsPastTheEndAreFormatErrors) {
  ByteWriter out;
  out.text("abcdef");
  std::vector<uint8_t> cut(out.bytes().begin(), out.bytes().end() - 1);
  ByteReader text(cut);
  EXPECT_THROW(text.text(), FormatError);

  std::vector<uint8_t> endless(11, 0xFF);  // a varint that never ends
  ByteReader number(endless);
  EXPECT_THROW(number.varint(), FormatError);

  ByteWriter big;
  big.varint(1000);
  ByteReader count(big.bytes());
  EXPECT_THROW(count.count(10), FormatError);
  ByteReader empty({});
  EXPECT_THROW(empty.u32(), FormatError);
}

// The stored text parses back to a tree with the same text.
TEST(ExpressionText, ParsesBackToTheSameTree) {
  for (const char* source : {"-1",
                             "- - 2",
                             "N'日本''s'",
                             "'it''s'",
                             "12.50 * 2",
                             "1.5E-3",
                             "NULL",
                             "GETDATE()",
                             "CONVERT(DATETIME, '2001-02-03', 120)",
                             "CAST(0 AS DECIMAL(10, 2))",
                             "CAST('x' AS NVARCHAR(MAX))",
                             "CASE WHEN 1 = 1 THEN 'y' ELSE 'n' END",
                             "CASE 2 WHEN 1 THEN 'a' WHEN 2 THEN 'b' END",
                             "ISNULL(NULL, 3) + ABS(-4) % 3",
                             "COALESCE(NULL, LEFT('abc', 2))",
                             "~5 & 3 | 8 ^ 1",
                             "NOT (1 < 2 AND 2 >= 1 OR 3 <> 4)",
                             "'a' LIKE '%[a]%' ESCAPE '!'",
                             "5 NOT BETWEEN 1 AND 3",
                             "2 IN (1, 2, 3)",
                             "NULL IS NOT NULL",
                             "@@SPID",
                             "[my col] + t.[x]]y]",
                             "COUNT(*)",
                             "COUNT(DISTINCT a)"}) {
    ast::ExprPtr tree = parseExpression(source);
    std::string text = expressionText(*tree);
    ast::ExprPtr again = parseExpression(text);
    EXPECT_EQ(expressionText(*again), text) << source;
  }
  EXPECT_EQ(expressionText(*parseExpression("1 - -2")), "(1 - -(2))");  // never "--", a comment
  EXPECT_EQ(expressionText(*parseExpression("'a' + 'b' + 'c'")), "(('a' + 'b') + 'c')");
  EXPECT_THROW(expressionText(*parseExpression("(SELECT 1)")), std::invalid_argument);
}

// An image whose checksums match but whose content no database could hold
// (a crafted file, or one written by a faulty build) is refused as damaged.
TEST(DatabaseImage, ImpossibleContentIsDamage) {
  using Bytes = std::vector<uint8_t>;
  struct Case {
    const char* what;
    std::function<void(TableSet&)> tables;  // damage done before encoding
    std::function<void(Bytes&)> bytes;      // or to the encoded image
    const char* complaint;
  };
  auto insert = [](const char* table, Row row) {
    return [table, row](TableSet& set) {
      UndoLog undo;
      set.find(table)->insert(row, undo);
    };
  };
  const std::vector<Case> cases = {
      {"an id no later object can follow",
       [](TableSet& set) { set.find("b")->setId(INT32_MAX); },
       {},
       "object id is out of range"},
      {"two tables with one id",
       [](TableSet& set) { set.find("b")->setId(set.find("a")->id()); },
       {},
       "share an id"},
      {"two tables with one name",
       [](TableSet& set) { set.add(std::make_shared<Table>(*set.find("a"))); },
       {},
       "two tables are named"},
      {"text in a number column", insert("b", {Value::string("x")}), {}, "does not fit"},
      {"a TINYINT beyond 255", insert("b", {Value::integer(300)}), {}, "does not fit"},
      {"text longer than its column",
       insert("a", {Value::integer(2), Value::string("abcd"), Value()}),
       {},
       "does not fit"},
      {"a decimal at another scale",
       insert("a", {Value::integer(2), Value::string("x"), Value::decimal(Decimal128(15, 1))}),
       {},
       "does not fit"},
      {"NULL in a NOT NULL column",
       [](TableSet& set) { set.find("a")->mutableColumn(2).nullable = false; },
       {},
       "does not fit"},
      {"two rows with one primary key",
       {},
       [](Bytes& image) {
         // The last value before the counts of views and procedures (0, 0)
         // is c's second key, 2 (zigzag 4): make it 1 (zigzag 2).
         ASSERT_EQ(image.back(), 0);
         ASSERT_EQ(image[image.size() - 2], 0);
         ASSERT_EQ(image[image.size() - 3], 4);
         image[image.size() - 3] = 2;
       },
       "share a key"},
  };
  for (const Case& c : cases) {
    auto db = Database::create();
    Session s(db);
    s.execute(
        "CREATE TABLE a (id INT PRIMARY KEY, n NVARCHAR(3) NOT NULL, d DECIMAL(5, 2)) "
        "INSERT a VALUES (1, N'x', NULL) CREATE TABLE b (k TINYINT) "
        "CREATE TABLE c (k INT PRIMARY KEY) INSERT c VALUES (1) INSERT c VALUES (2)");
    TableSet& set = db->impl().permanent();
    ByteWriter sound;
    encodeTables(set, sound);
    EXPECT_NO_THROW(decodeTables(sound.bytes())) << c.what;
    if (c.tables) c.tables(set);
    ByteWriter image;
    encodeTables(set, image);
    if (c.bytes) c.bytes(image.bytes());
    try {
      decodeTables(image.bytes());
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(c.complaint), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

// CHECKPOINT is a statement of the grammar: it takes comments, a duration
// and company; anything else after it is an error of syntax.
TEST(CheckpointStatement, ParsesAsAStatement) {
  struct Case {
    const char* batch;
    size_t statements;  // 0: a syntax error
  };
  for (const Case& c : std::vector<Case>{{"CHECKPOINT", 1},
                                         {"  checkpoint ;\n", 1},
                                         {"CHECKPOINT -- now", 1},
                                         {"CHECKPOINT /* at once */ 10", 1},
                                         {"CHECKPOINT SELECT 1", 2},
                                         {"IF 1 = 1 CHECKPOINT", 1},
                                         {"CHECKPOINT x", 0},
                                         {"EXEC CHECKPOINT", 0}}) {
    try {
      EXPECT_EQ(parseBatch(c.batch).size(), c.statements) << c.batch;
    } catch (const SqlError& e) {
      EXPECT_EQ(c.statements, 0u) << c.batch << ": " << e.message();
    }
  }
}

}  // namespace
}  // namespace mls::tsql::storage
