// The expected parts of split lines, worked out independently of the system:
// whole numbers as strings of decimal digits.
#pragma once

#include <utility>
#include <vector>

#include "platform/com/decimal.h"

namespace mls::com {
// gtest prints decimals as their text.
void PrintTo(const Decimal& d, std::ostream* os);
}  // namespace mls::com

namespace mls::testing {

// whole x weight / total, exact, rounded once to `places`: a half away from
// zero, or to the even neighbour.
com::Decimal exactPart(const com::Decimal& whole, const com::Decimal& weight, const com::Decimal& total,
                       int places, bool halfEven = false);

// The row of a line's rows (cost object, weight) that AutoDis gives the
// rounding difference: the largest weight as its text of 23 characters ranks
// it (a weight of 1E12 or more writes as asterisks, which rank above every
// other), then the largest cost object.
size_t autoDisTaker(const std::vector<std::pair<int, com::Decimal>>& rows);

}  // namespace mls::testing
