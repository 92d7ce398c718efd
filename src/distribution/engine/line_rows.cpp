#include "distribution/engine/line_rows.h"

#include <algorithm>

#include "frame/drop_table.h"
#include "frame/lang_text.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/common/u256.h"

namespace mls::distribution::engine {

namespace {
constexpr const char* kLineBeyondColumn = "分配单据[%1]行号[%2]时出错，分配结果超出数值范围!";
}  // namespace

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
// keeps scale 0, so it is exact or fails with an overflow; a quotient of two
// is decimal(38,6), so it must stay below 1E32, and is cut toward zero to a
// whole number; a remainder takes the dividend's sign.
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

const std::string kE9 = "CAST(1000000000 AS decimal(10,0))";
const std::string kE10 = "CAST(10000000000 AS decimal(11,0))";

// A whole number of hundred-billionths given as high x 1E10 + low (high
// below 1E19, low below 1E20), as a decimal of eleven places rounded to
// `places`: cut at one more place than any rounding asks for, the rounding
// is the exact value's.
std::string roundedPart(const std::string& high, const std::string& low, std::string_view places) {
  return "ROUND(CAST(" + high + " AS decimal(19,0))*CAST(0.1 AS decimal(1,1))+CAST(" + low +
         " AS decimal(20,0))*CAST(0.00000000001 AS decimal(11,11))," + std::string(places) + ")";
}

// whole x weight x 10 / total cut toward zero, in whole numbers, for a whole
// below 1E18, a weight no larger than the total and a total below 8E18: the
// whole's three pieces of nine digits (the first below 1E10), each
// multiplied by the weight and added to the remainder of the piece before
// it shifted nine places, keep every step below 1E38 and every quotient
// below 2E10; the last remainder gives the eleventh place.  The result as
// its high and low parts for roundedPart.
std::pair<std::string, std::string> dividedByPieces(std::string_view whole, std::string_view weight,
                                                    std::string_view total) {
  const std::string w = tenBillionths(whole, "decimal(28,10)");
  const std::string b = tenBillionths(weight, "decimal(28,10)");
  const std::string c = tenBillionths(total, "decimal(38,10)");
  const std::string high = quotient(w, "CAST(1000000000000000000 AS decimal(19,0))");
  const std::string middle = "(" + quotient(w, kE9) + "%" + kE9 + ")";
  const std::string low = "(" + w + "%" + kE9 + ")";
  const std::string first = high + "*" + b;
  const std::string second = remainder(first, c) + "*" + kE9 + "+" + middle + "*" + b;
  const std::string third = remainder(second, c) + "*" + kE9 + "+" + low + "*" + b;
  return {quotient(first, c) + "*" + kE9 + "+" + quotient(second, c),
          quotient(third, c) + "*10+" + quotient(remainder(third, c) + "*10", c)};
}

// The same for every whole of decimal(28,10), weight of decimal(28,10) and
// total of decimal(38,10), the steps named in nested derived tables.  In
// whole numbers (x the whole, y the weight, z the total, in ten-billionths,
// all positive): y = m x z + s with s below z, so the part is X x m plus
// X x s / z, X = x x 10.  The second goes by X's four pieces of nine digits
// (the first below 100) like the pieces above, s being below 1E28 too.  A
// total of 8E28 or more cannot take a remainder times 1E9 in 38 digits: the
// sum of a step, t = r x 1E9 + piece x s, is kept as th x 1E10 + tl (tl
// below 2E10), its quotient d estimated as th / (zh + 1) (z = zh x 1E10 +
// zl), which is d or d - 1 since zh is at least 8E18, and t - d x z worked
// out as (th - d x zh) x 1E10 + tl - d x zl, one z more where it reaches z.
// A total of 4E37 or more (4E9 weights of the column's largest) would
// overflow that, and a part of 1E18 or more fits no column: both give
// kBeyondColumn.
const char* const kBeyondColumn = "100000000000000000000000000";
// The least whole whose part by a weight no larger than its total may round
// to 10^digits.
std::string nearColumn(int digits) {
  return std::string(static_cast<size_t>(digits), '9') + ".5";
}

std::string exactByNamedSteps(std::string_view whole, std::string_view weight, std::string_view total,
                              std::string_view places) {
  const std::string w(whole), b(weight), t = "CAST(" + std::string(total) + " AS decimal(38,10))";
  const std::string integral = "ROUND(ABS(" + t + "),0,1)";
  const std::string z = "CAST(" + integral + " AS decimal(28,0))*" + kE10 + "+CAST(CAST(ABS(" + t + ")-" +
                        integral + " AS decimal(10,10))*" + kE10 + " AS decimal(38,0))";
  auto negative = [](const std::string& e) { return "CASE WHEN " + e + "<0 THEN 1 ELSE 0 END"; };
  std::string sql = "SELECT CAST(ABS(CAST(" + w + " AS decimal(28,10)))*" + kE10 +
                    " AS decimal(38,0))*10 AS X,CAST(ABS(CAST(" + b + " AS decimal(28,10)))*" + kE10 +
                    " AS decimal(38,0)) AS y," + z + " AS z,(" + negative(w) + "+" + negative(b) + "+" +
                    negative(t) + ")%2 AS neg";
  const std::string carried = "g.X,g.z,g.neg,g.m,g.s,g.zh,g.zl,g.big";
  // m and s, the total's halves, and whether it is beyond 38 digits' reach.
  sql = "SELECT g.X,g.z,g.neg,CASE WHEN g.z>=40000000000000000000000000000000000000 THEN -1 ELSE " +
        quotient("g.y", "g.z") +
        " END AS m,CASE WHEN g.z>=40000000000000000000000000000000000000 THEN 0 ELSE " +
        remainder("g.y", "g.z") + " END AS s," + quotient("g.z", kE10) + " AS zh,g.z%" + kE10 +
        " AS zl,CASE WHEN g.z>=80000000000000000000000000000 THEN 1 ELSE 0 END AS big FROM (" + sql + ") g";
  // The first piece, below 100: its sum fits.
  const std::string first = quotient("g.X", "CAST(1000000000000000000000000000 AS decimal(28,0))") + "*g.s";
  sql = "SELECT " + carried + ",CAST(0 AS decimal(38,0)) AS acc," + quotient(first, "g.z") + " AS d," +
        remainder(first, "g.z") + " AS r FROM (" + sql + ") g";
  const std::string pieces[] = {
      "(" + quotient("g.X", "CAST(1000000000000000000 AS decimal(19,0))") + "%" + kE9 + ")",
      "(" + quotient("g.X", kE9) + "%" + kE9 + ")", "(g.X%" + kE9 + ")"};
  // The quotient and the remainder of the step before, put right.
  const std::string over = "CASE WHEN g.r>=g.z THEN 1 ELSE 0 END";
  const std::string digit = "g.d+" + over;
  const std::string rest = "(CASE WHEN g.r>=g.z THEN g.r-g.z ELSE g.r END)";
  for (const std::string& piece : pieces) {
    const std::string product = "(" + piece + "*g.s)";
    sql = "SELECT " + carried + ",g.acc*" + kE9 + "+" + digit + " AS acc," + quotient(rest, kE10) + "*" +
          kE9 + "+" + quotient(remainder(rest, kE10), "10") + "+" + quotient(product, kE10) + " AS th," +
          remainder(remainder(rest, kE10), "10") + "*" + kE9 + "+" + remainder(product, kE10) +
          " AS tl,CASE WHEN g.big=1 THEN 0 ELSE " + rest + "*" + kE9 + "+" + product + " END AS t FROM (" +
          sql + ") g";
    const std::string estimate = "(CASE WHEN g.big=1 THEN " + quotient("g.th", "(g.zh+1)") + " ELSE " +
                                 quotient("g.t", "g.z") + " END)";
    sql = "SELECT " + carried + ",g.acc," + estimate + " AS d,CASE WHEN g.big=1 THEN (g.th-" + estimate +
          "*g.zh)*" + kE10 + "+(g.tl-" + estimate + "*g.zl) ELSE " + remainder("g.t", "g.z") +
          " END AS r FROM (" + sql + ") g";
  }
  // The part in hundred-billionths, q = X x m + the quotient, or -1 where it
  // is 1E29 or more.
  sql = "SELECT g.X,g.m,g.neg,g.acc*" + kE9 + "+" + digit + " AS q FROM (" + sql + ") g";
  sql = std::string("SELECT g.neg,CASE WHEN g.m<0 THEN -1 WHEN g.m=0 OR g.X=0 THEN g.q WHEN g.m<=(CAST(") +
        "99999999999999999999999999999 AS decimal(29,0))-g.q)/g.X THEN g.X*g.m+g.q ELSE -1 END AS q FROM (" +
        sql + ") g";
  const std::string part = roundedPart(quotient("g.q", kE10), remainder("g.q", kE10), places);
  return "(SELECT CASE WHEN g.q<0 OR g.q>99999999999999999999999999999 THEN CAST(" +
         std::string(kBeyondColumn) + " AS decimal(38,11)) WHEN g.neg=1 THEN -" + part + " ELSE " + part +
         " END FROM (" + sql + ") g)";
}

}  // namespace

std::string weighedPart(std::string_view whole, std::string_view weight, std::string_view total,
                        std::string_view places, PartRange range) {
  const std::string t(total);
  const std::string p(places);
  const std::string w(whole);
  const std::string b(weight);
  const auto [high, low] = dividedByPieces(whole, weight, total);
  // Whole and weight below 1E8 multiply exactly as decimal(18,10) values
  // (a product of 37 digits), and the quotient's type keeps eleven places,
  // cut toward zero (T-SQL cuts a decimal quotient, it does not round it).
  // Larger ones go by pieces where the weight is no larger than the total
  // and the total below 8E18; the rest by named steps, which the common
  // range leaves out (a row that reached them would read as beyond any
  // column, never as a wrong part).
  return "CASE WHEN " + t + "=0 THEN 0 WHEN ABS(" + w + ")<100000000.0 AND ABS(" + b +
         ")<100000000.0 THEN ROUND(CAST(" + w + " AS decimal(18,10))*CAST(" + b +
         " AS decimal(18,10))/CAST(" + t + " AS decimal(38,10))," + p + ") WHEN ABS(" + b + ")<=ABS(" + t +
         ") AND ABS(" + t + ")<8000000000000000000 THEN " + roundedPart(high, low, places) + " ELSE " +
         (range == PartRange::Any ? exactByNamedSteps(whole, weight, total, places)
                                  : "CAST(" + std::string(kBeyondColumn) + " AS decimal(38,11))") +
         " END";
}

std::string outsideCommonRange(std::string_view whole, std::string_view weight, std::string_view total,
                               int digits) {
  const std::string t(total);
  return "(ABS(" + std::string(weight) + ")>ABS(" + t + ") OR ABS(" + t + ")>=8000000000000000000 OR ABS(" +
         std::string(whole) + ")>=" + nearColumn(digits) + ")";
}

std::string partBeyondColumn(std::string_view whole, std::string_view weight, std::string_view total,
                             std::string_view places, int digits) {
  const std::string w(whole);
  const std::string limit = "1" + std::string(static_cast<size_t>(digits), '0');
  return "(ABS(" + std::string(weight) + ")>ABS(" + std::string(total) + ") OR ABS(" + w +
         ")>=" + nearColumn(digits) + ") AND ABS(" + weighedPart(whole, weight, total, places) +
         ")>=" + limit;
}

PartRange checkParts(ado::Connection& connection, std::string_view language, std::string_view lineColumns,
                     const std::string& fromWhere, const std::vector<PartTerms>& parts, int digits,
                     const std::string& mayLeave) {
  std::string leaving, beyond;
  for (const PartTerms& p : parts) {
    leaving += (leaving.empty() ? "" : " OR ") + outsideCommonRange(p.whole, p.weight, p.total, digits);
    beyond += (beyond.empty() ? "" : " OR ") + partBeyondColumn(p.whole, p.weight, p.total, p.places, digits);
  }
  com::Ref<ado::Recordset> rs = connection.execute(
      mayLeave.empty() ? "SELECT TOP 1 1" + fromWhere + " AND (" + leaving + ")" : mayLeave);
  const bool common = rs->eof();
  rs->close();
  if (common) return PartRange::Common;
  const std::string line(lineColumns);
  refuseLineBeyondColumn(connection, language,
                         "SELECT TOP 1 " + line + fromWhere + " AND (" + beyond + ") ORDER BY " + line);
  return PartRange::Any;
}

void refuseLineBeyondColumn(ado::Connection& connection, std::string_view language,
                            const std::string& selectLine) {
  com::Ref<ado::Recordset> rs = connection.execute(selectLine);
  if (rs->eof()) return;
  const std::string interID = frame::sqlNumber(rs->value(0).toLong());
  const std::string entryID = frame::sqlNumber(rs->value(1).toLong());
  com::Variant billNo = rs->fieldCount() > 2 ? rs->value(2) : com::Variant::null();
  rs->close();
  // The snapshot's bill, else the live one, of the tables there are.
  for (const char* bills : {"cb_ICStockBill", "ICStockBill"}) {
    if (!billNo.isNull()) break;
    rs = connection.execute(std::string("IF OBJECT_ID('") + bills +
                            "') IS NULL SELECT NULL ELSE SELECT (SELECT TOP 1 FBillNo FROM " + bills +
                            " WHERE FInterID=" + interID + ")");
    billNo = rs->value(size_t{0});
    rs->close();
  }
  const std::vector<com::Variant> args{com::Variant(billNo.isNull() ? interID : billNo.toString()),
                                       com::Variant(entryID)};
  com::raise(-1, {},
             frame::langTextFormat(language, kLineBeyondColumn, com::Variant(com::SafeArray::vector(args))));
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
