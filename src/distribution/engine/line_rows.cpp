#include "distribution/engine/line_rows.h"

#include <algorithm>

#include "frame/drop_table.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/common/u256.h"

namespace mls::distribution::engine {

void inTransaction(ado::Connection& connection, const std::function<void()>& work) {
  connection.execute("BEGIN TRAN");
  try {
    work();
    connection.execute("COMMIT TRAN");
  } catch (const com::ComError&) {
    try {
      connection.execute("IF @@TRANCOUNT>0 ROLLBACK TRAN");
    } catch (const com::ComError&) {
      // The connection closes next, which takes the transaction back too.
    }
    throw;
  }
}

std::string rowColumns(Purpose purpose) {
  return std::string("FYear,FPeriod,FInterID,FEntryID,FCostObjID,FCostItemID,") +
         (purpose == Purpose::ResidualValue ? "" : "FStdID,FStandardData,") + "FQty,FPrice,FAmount";
}

void loadRows(ado::Connection& connection, Purpose purpose, std::string_view joinsAndWhere) {
  frame::dropTempTable(connection, "#Rows");
  const std::string columns = rowColumns(purpose);
  std::string copied;
  for (size_t start = 0; start < columns.size();) {
    size_t end = columns.find(',', start);
    if (end == std::string::npos) end = columns.size();
    copied += (copied.empty() ? "d." : ",d.") + columns.substr(start, end - start);
    start = end + 1;
  }
  connection.execute(
      "CREATE TABLE #Rows (FRowID int IDENTITY(1,1), FYear int, FPeriod int, FInterID int, FEntryID int,\r\n"
      " FCostObjID int, FCostItemID int, FStdID int not null default 0,\r\n"
      " FStandardData Decimal(28,10) not null default 0, FQty Decimal(28,10), FPrice Decimal(28,10),\r\n"
      " FAmount Decimal(28,10))\r\n"
      "CREATE INDEX IX_Rows ON #Rows(FInterID,FEntryID)\r\n"
      "INSERT INTO #Rows (" +
      columns + ") SELECT " + copied + " FROM " + rowTable(purpose) + " d " + std::string(joinsAndWhere));
}

std::string placeDifference(std::string_view column, std::string_view targets, std::string_view rank) {
  const std::string c(column);
  const std::string t(targets);
  return "UPDATE r SET " + c + "=r." + c + "+(t.FTarget-s.FSum) FROM #Rows r\r\n INNER JOIN (SELECT " +
         "FYear,FPeriod,FInterID,FEntryID,SUM(" + c + ") AS FSum,\r\n  CAST(RIGHT(MAX(" + std::string(rank) +
         "+" + rankSmallest("FRowID") +
         "+STR(FRowID,10,0)),10) AS INT) AS FRowID\r\n  FROM #Rows GROUP BY FYear,FPeriod,FInterID,FEntryID) "
         "s "
         "ON s.FRowID=r.FRowID\r\n INNER JOIN " +
         t +
         " t ON t.FYear=s.FYear AND t.FPeriod=s.FPeriod AND t.FInterID=s.FInterID AND "
         "t.FEntryID=s.FEntryID\r\n"
         " WHERE t.FTarget<>s.FSum\r\n";
}

std::string rankLargest(std::string_view expression) {
  return "STR(" + std::string(expression) + ",23,10)";
}

std::string rankSmallest(std::string_view idExpression) {
  return "STR(2147483647.0-" + std::string(idExpression) + ",10,0)";
}

namespace {

// Whole numbers of up to 38 digits, as T-SQL types them: a product of two
// keeps scale 0, so it is exact or fails with an overflow; a quotient is cut
// toward zero to a whole number; a remainder takes the dividend's sign.
std::string tenBillionths(std::string_view value, std::string_view type) {
  return "CAST(CAST(" + std::string(value) + " AS " + std::string(type) +
         ")*CAST(10000000000 AS decimal(11,0)) AS decimal(38,0))";
}

std::string quotient(const std::string& dividend, const std::string& divisor) {
  return "CAST(ROUND((" + dividend + ")/" + divisor + ",0,1) AS decimal(38,0))";
}

std::string remainder(const std::string& dividend, const std::string& divisor) {
  return "((" + dividend + ")%" + divisor + ")";
}

// The part from whole x weight x 10 / total cut toward zero, a whole number
// of hundred-billionths, rounded to `places`: cut at one more place than any
// rounding asks for, the rounding is the exact value's.
std::string roundedPart(const std::string& hundredBillionths, std::string_view places) {
  return "ROUND(CAST(" + hundredBillionths + " AS decimal(38,11))/CAST(100000000000 AS decimal(12,0))," +
         std::string(places) + ")";
}

// The same for a total below 1E18, a whole below 1E16 and a weight below
// 1E18, in whole numbers: the whole's three pieces of nine digits, each
// multiplied by the weight and added to the remainder of the piece before
// it shifted nine places, keep every step below 38 digits; the last
// remainder gives the eleventh place.
std::string dividedByPieces(std::string_view whole, std::string_view weight, std::string_view total) {
  const std::string w = tenBillionths(whole, "decimal(28,10)");
  const std::string b = tenBillionths(weight, "decimal(28,10)");
  const std::string c = tenBillionths(total, "decimal(38,10)");
  const std::string base = "1000000000";
  const std::string high = quotient(w, "CAST(1000000000000000000 AS decimal(19,0))");
  const std::string middle = "(" + quotient(w, base) + "%" + base + ")";
  const std::string low = "(" + w + "%" + base + ")";
  const std::string first = high + "*" + b;
  const std::string second = remainder(first, c) + "*" + base + "+" + middle + "*" + b;
  const std::string third = remainder(second, c) + "*" + base + "+" + low + "*" + b;
  return "((" + quotient(first, c) + "*" + base + "+" + quotient(second, c) + ")*" + base + "+" +
         quotient(third, c) + ")*10+" + quotient(remainder(third, c) + "*10", c);
}

}  // namespace

std::string weighedPart(std::string_view whole, std::string_view weight, std::string_view total,
                        std::string_view places) {
  const std::string t(total);
  const std::string p(places);
  const std::string w(whole);
  const std::string b(weight);
  // Whole and weight below 1E8 multiply exactly as decimal(18,10) values
  // (a product of 37 digits), and the quotient's type keeps eleven places,
  // cut toward zero (T-SQL cuts a decimal quotient, it does not round it).
  // Larger ones go by pieces (a whole below 1E16 and a total below 1E18);
  // beyond, by the plain expression.
  return "CASE WHEN " + t + "=0 THEN 0 WHEN ABS(" + w + ")<100000000.0 AND ABS(" + b +
         ")<100000000.0 THEN ROUND(CAST(" + w + " AS decimal(18,10))*CAST(" + b +
         " AS decimal(18,10))/CAST(" + t + " AS decimal(38,10))," + p + ") WHEN ABS(" + w +
         ")<10000000000000000 AND ABS(" + t + ")<1000000000000000000 THEN " +
         roundedPart(dividedByPieces(whole, weight, total), places) + " ELSE CAST(ROUND(" + w + "*" + b +
         "/(" + t + ")," + p + ") AS decimal(38,11)) END";
}

com::Decimal weighedPartHalfEven(const com::Decimal& whole, const com::Decimal& weight,
                                 const com::Decimal& total, int places) {
  if (total.isZero()) return {};
  if (places < 0) com::raise(com::err::kInvalidCall);
  places = std::min(places, com::Decimal::kMaxScale);
  // whole x weight x 10^places / total as a fraction of whole numbers: the
  // quotient, then the remainder against half the divisor.
  U256 dividend = U256::multiply(whole.mantissa(), weight.mantissa());
  U256 divisor(total.mantissa());
  const int shift = total.scale() - whole.scale() - weight.scale() + places;
  // Scales too far apart for 256 bits (never those of the row tables): the
  // plain decimal expression.
  if (shift < -38 || !(shift >= 0 ? dividend.mulPow10(shift) : divisor.mulPow10(-shift)))
    return (whole * weight / total).roundHalfEven(places);
  U256 quotient, rest;
  U256::divmod(dividend, divisor, quotient, rest);
  U256 other = divisor;
  other.sub(rest);
  const int half = compare(rest, other);
  if (half > 0 || (half == 0 && quotient.isOdd())) quotient.addOne();
  if (!quotient.fitsU128()) com::raise(com::err::kOverflow);
  return com::Decimal::fromParts(quotient.toU128(), places,
                                 (whole.negative() != weight.negative()) != total.negative());
}

void writeRows(ado::Connection& connection, Purpose purpose) {
  const std::string table = rowTable(purpose);
  const std::string columns = rowColumns(purpose);
  inTransaction(connection, [&] {
    connection.execute(
        "DELETE d FROM " + table +
        " d WHERE EXISTS (SELECT 1 FROM #Rows r WHERE r.FYear=d.FYear AND r.FPeriod=d.FPeriod AND "
        "r.FInterID=d.FInterID AND r.FEntryID=d.FEntryID)\r\n"
        "INSERT INTO " +
        table + " (" + columns + ") SELECT " + columns + " FROM #Rows ORDER BY FRowID");
  });
  frame::dropTempTable(connection, "#Rows");
}

}  // namespace mls::distribution::engine
