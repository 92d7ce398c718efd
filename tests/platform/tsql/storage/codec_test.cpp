// The pieces under the file format: checksum, byte encoding, the text kept for
// DEFAULT expressions, and which batches count as changing permanent tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/tsql/parse/parser.h"
#include "platform/tsql/storage/batch_effects.h"
#include "platform/tsql/storage/byte_io.h"
#include "platform/tsql/storage/checksum.h"
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

TEST(BatchEffects, CheckpointBatch) {
  EXPECT_TRUE(isCheckpointBatch("CHECKPOINT"));
  EXPECT_TRUE(isCheckpointBatch("  checkpoint ;\n"));
  EXPECT_FALSE(isCheckpointBatch("CHECKPOINT SELECT 1"));
  EXPECT_FALSE(isCheckpointBatch("EXEC CHECKPOINT"));
}

}  // namespace
}  // namespace mls::tsql::storage
