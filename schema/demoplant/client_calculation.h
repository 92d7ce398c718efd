// A stand-in for the client's cost calculation of one period of the demo plant,
// as T-SQL statements that fill the work tables CBCalInfo_CurData and
// CBCalInfoDetail_CurData.  Run them after the snapshot, the period reset and
// the completed quantities of the period, on one connection.
//
// The calculation is deliberately simple:
//   - the costs of a department and cost object are the period's material
//     distribution rows of normal use (cost item 1, per material and batch of
//     the issue line, in the department of the issue bill) and its other
//     expenses of normal production (cost item 2, in the department of the
//     expense bill); only department and cost object pairs with a completed
//     quantity are costed;
//   - work in process keeps 0, 10, 20 or 30 per cent of each cost (by the cost
//     object's ID modulo 4), completed output the rest, rounded to cents on
//     each row; the detail rows (materials) round on their own, so their split
//     may differ from the header's by cents while the totals agree;
//   - the level is 2 for cost objects of type 907 and for those whose product
//     ID is a multiple of 5, 1 for the others, so that cost objects sharing a
//     product share a level.
#pragma once

#include <string>
#include <vector>

namespace mls::demoplant {

std::vector<std::string> clientCalculation(int year, int period);

}  // namespace mls::demoplant
