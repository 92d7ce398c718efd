// The distribution rows of a set of issue lines, taken into the work table
// #Rows (each row numbered FRowID), changed there together and written back
// as a whole: the lines' old rows deleted and the new ones inserted in one
// transaction.  Numbering the rows lets a line's rounding difference go to
// exactly one row even where two rows carry the same cost object and cost
// item.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "distribution/engine/issue_lines.h"
#include "platform/ado/connection.h"
#include "platform/com/decimal.h"

namespace mls::distribution::engine {

// Runs `work` between BEGIN TRAN and COMMIT TRAN on `connection`; an error
// takes the transaction back and passes on.
void inTransaction(ado::Connection& connection, const std::function<void()>& work);

// The columns of a row of `purpose`'s table (the residual-value table has no
// standard and no standard data).
std::string rowColumns(Purpose purpose);

// Drops and creates #Rows, then copies into it the rows "FROM <table> d" +
// `joinsAndWhere` selects (alias d for the table).
void loadRows(ado::Connection& connection, Purpose purpose, std::string_view joinsAndWhere);

// One statement batch that gives each line of #Rows, whose total of `column`
// differs from FTarget of the table `targets` (FYear, FPeriod, FInterID,
// FEntryID, FTarget), the difference on one row: the row whose `rank` text
// (a fixed-width text built from the row's columns) is the greatest, then
// the first row.  Lines missing from `targets` keep their rows as they are.
std::string placeDifference(std::string_view column, std::string_view targets, std::string_view rank);

// Fixed-width rank texts: a number to compare as the greater the better, and
// an id to compare as the smaller the better.
std::string rankLargest(std::string_view expression);
std::string rankSmallest(std::string_view idExpression);

// ROUND(whole x weight / total, places), 0 where the total is 0: a row's part
// of its line, the exact quotient rounded once, half away from zero, to
// `places` (0 to 10), as decimal(38,11).  No step of the SQL rounds first:
// not a share (to ten places it loses cents on large amounts), nor a product
// of whole and weight (the decimal type rules cut it to six places).  Exact
// for every whole and weight of decimal(28,10) and total of decimal(38,10)
// below 4E27 (more than 2^31 rows of the columns' largest value); a part
// that no decimal(28,10) column holds (1E18 or more), and any part of a
// larger total, comes out as 1E26, which partBeyondColumn finds.
std::string weighedPart(std::string_view whole, std::string_view weight, std::string_view total,
                        std::string_view places);

// The condition that holds where weighedPart of the same arguments fits no
// decimal(28,10) column.  It works the part out only where the weight
// outweighs the total or the whole is 1E18 less a half or more.
std::string partBeyondColumn(std::string_view whole, std::string_view weight, std::string_view total,
                             std::string_view places);

// Raises -1 naming the line (its bill number from the snapshot or the live
// bill, else its FInterID, and its FEntryID) when `selectLine`, a SELECT of
// FInterID and FEntryID in that order, returns a row: the first line whose
// part fits no row.
void refuseLineBeyondColumn(ado::Connection& connection, std::string_view language,
                            const std::string& selectLine);

// The same part worked out by the component: whole x weight / total exact,
// rounded once to `places` (at most 28 kept), half to even; 0 where the
// total is 0.
com::Decimal weighedPartHalfEven(const com::Decimal& whole, const com::Decimal& weight,
                                 const com::Decimal& total, int places);

// Replaces the rows of every line of #Rows in `purpose`'s table by the rows
// #Rows holds for it, in one transaction, then drops #Rows.
void writeRows(ado::Connection& connection, Purpose purpose);

}  // namespace mls::distribution::engine
