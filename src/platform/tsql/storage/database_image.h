// The content of a database file: every permanent table with its definition
// (columns with type, nullability, identity and DEFAULT as T-SQL text; PRIMARY
// KEY / UNIQUE constraints and indexes), its identity state and its rows in
// storage order, every value exactly (decimals with their scale, date/time
// ticks, UTF-8 text), then the views as the text of their CREATE VIEW and the
// stored procedures as the text of their CREATE PROCEDURE (an image without
// those parts, as earlier versions wrote, has no views or no procedures).
//
// Decoding builds new tables apart from any database and either returns all of
// them or throws FormatError: a damaged image is never half-loaded.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/tsql/catalog/system_views.h"
#include "platform/tsql/catalog/table.h"
#include "platform/tsql/catalog/table_set.h"
#include "platform/tsql/storage/byte_io.h"

namespace mls::tsql::storage {

// Appends the image of the tables of `set`, of `views` and of `procedures` to
// `out`.  Raises SqlError when a table cannot be stored (a DEFAULT holding a
// subquery).
void encodeTables(const TableSet& set, ByteWriter& out, const std::vector<ViewText>& views = {},
                  const std::vector<ProcedureText>& procedures = {});

struct DecodedTables {
  std::vector<std::shared_ptr<Table>> tables;  // in creation order
  int32_t highestId = 0;                       // of the tables, constraints and defaults
  std::vector<ViewText> views;
  std::vector<ProcedureText> procedures;
};

// A list of objects kept as their names and texts (views, procedures).
void encodeTexts(const std::vector<ViewText>& texts, ByteWriter& out);
std::vector<ViewText> decodeTexts(ByteReader& in);

DecodedTables decodeTables(std::span<const uint8_t> image);

// One table as the image holds it (definition, identity state, rows); decoding
// appends the object ids it holds to `ids` and throws FormatError for damage.
void encodeTable(const Table& t, ByteWriter& out);
std::shared_ptr<Table> decodeTable(ByteReader& in, std::vector<int32_t>& ids);

// One row's values, exactly.
void encodeRow(RowView row, ByteWriter& out);

class ColumnCheck;
// Reads rows of a table's columns, each value checked against its column:
// FormatError for a value the column cannot hold.
class RowDecoder {
 public:
  explicit RowDecoder(const Table& t);
  ~RowDecoder();
  Row operator()(ByteReader& in) const;

 private:
  const Table& table_;
  std::vector<ColumnCheck> fits_;
};

}  // namespace mls::tsql::storage
