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
#include <vector>

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

// The ways of weighedPart a statement needs: those of the common range
// (every total below 8E18, no weight outweighing its total, every whole below
// 1E18 less a half), which a short expression covers, or any.
enum class PartRange { Common, Any };

// ROUND(whole x weight / total, places), 0 where the total is 0: a row's part
// of its line, the exact quotient rounded once, half away from zero, to
// `places` (0 to 10), as decimal(38,11).  No step of the SQL rounds first:
// not a share (to ten places it loses cents on large amounts), nor a product
// of whole and weight (the decimal type rules cut it to six places).  Exact
// for every whole and weight of decimal(28,10) and total of decimal(38,10)
// below 4E27 (more than 2^31 rows of the columns' largest value); a part
// that no decimal(28,10) column holds (1E18 or more), and any part of a
// larger total, comes out as 1E26, which partBeyondColumn finds.  The
// common range's expression is about a third of the text (its rows are the
// same); a row outside that range comes out of it as 1E26 too.
std::string weighedPart(std::string_view whole, std::string_view weight, std::string_view total,
                        std::string_view places, PartRange range = PartRange::Any);

// The condition that holds where a row is outside the common range, or its
// whole so near 10^digits that its part may round to it.
std::string outsideCommonRange(std::string_view whole, std::string_view weight, std::string_view total,
                               int digits = 18);

// The condition that holds where weighedPart of the same arguments fits no
// column of `digits` whole digits (decimal(28,10): 18).  It works the part
// out only where the weight outweighs the total or the whole is 10^digits
// less a half or more.
std::string partBeyondColumn(std::string_view whole, std::string_view weight, std::string_view total,
                             std::string_view places, int digits = 18);

// Raises -1 naming the line (its bill number as a third column of
// `selectLine` where that is not NULL, else from the snapshot or the live
// bill, else its FInterID, and its FEntryID) when `selectLine`, a SELECT of
// FInterID and FEntryID in that order, returns a row: the first line whose
// part fits no row.
void refuseLineBeyondColumn(ado::Connection& connection, std::string_view language,
                            const std::string& selectLine);

// What a statement's rows split: weighedPart's arguments.
struct PartTerms {
  std::string whole, weight, total, places;
};

// The range of weighedPart a statement over `fromWhere` ("FROM ... WHERE
// ...") needs for `parts`: Common where no row is outside it, a question of
// a short condition (or of `mayLeave`, a query that returns a row wherever
// one may be, given by a caller that knows a cheaper one); else, after
// refusing (refuseLineBeyondColumn) the first line by `lineColumns` whose
// part fits no column of `digits` whole digits, Any.
PartRange checkParts(ado::Connection& connection, std::string_view language, std::string_view lineColumns,
                     const std::string& fromWhere, const std::vector<PartTerms>& parts, int digits = 18,
                     const std::string& mayLeave = {});

// The same part worked out by the component: whole x weight / total exact,
// rounded once to `places` (at most 28 kept), half to even; 0 where the
// total is 0.
com::Decimal weighedPartHalfEven(const com::Decimal& whole, const com::Decimal& weight,
                                 const com::Decimal& total, int places);

// Replaces the rows of every line of #Rows in `purpose`'s table by the rows
// #Rows holds for it, in one transaction, then drops #Rows.
void writeRows(ado::Connection& connection, Purpose purpose);

}  // namespace mls::distribution::engine
