// AutoDis's re-spread of shared rows over the live amount of their lines:
// three equal standards share 100.00 as 33.33 each, the cent on the smallest
// cost object with standard data, the row without standard data 0; a line
// listed twice counts once; a line whose bill left the period keeps its rows.
#include "writers_fixture.h"

namespace mls::testing {
namespace {

TEST_F(WritersTest, ReSpreadRowsTakeTheirShareOfTheLinesAmount) {
  setUpFor("Marlstone.AutoDis");
  issue({.id = 1}, {{.qty = 3, .amount = 100}, {.entry = 2, .qty = 3, .amount = 100}});
  issue({.id = 2, .date = "2024-04-01"}, {{.qty = 3, .amount = 100}});
  for (const auto& [bill, entry] : {std::pair{1, 1}, {1, 2}, {2, 1}}) {
    for (int c : {103, 101, 102})
      row("cbMaterielInfo", {.interId = bill,
                             .entry = entry,
                             .costObj = c,
                             .standard = 1,
                             .qty = c == 103 ? 2 : 0.5,
                             .amount = 5});
    row("cbMaterielInfo", {.interId = bill, .entry = entry, .costObj = 100, .qty = 1, .amount = 5});
  }
  exec("UPDATE cbMaterielInfo SET FPrice = 7");
  call("DistributeShareMaterielExpLeaveID", {2024, 3, 0, pairs({{1, 2}})});
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 2, true), (Rows{{"100", "1", "0", "7"},
                                                        {"101", "0.5", "33.34", "7"},
                                                        {"102", "0.5", "33.33", "7"},
                                                        {"103", "2", "33.33", "7"}}));
  call("DistributeShareMaterielExpByInterID", {2024, 3, 0, pairs({{1, 1}, {2, 1}, {1, 1}})});
  EXPECT_EQ(rowsOf("cbMaterielInfo", 1, 1, true), (Rows{{"100", "1", "0", "0"},
                                                        {"101", "0.5", "33.34", "66.68"},
                                                        {"102", "0.5", "33.33", "66.66"},
                                                        {"103", "2", "33.33", "16.665"}}));
  EXPECT_EQ(rowsOf("cbMaterielInfo", 2),
            (Rows{{"100", "1", "5"}, {"101", "0.5", "5"}, {"102", "0.5", "5"}, {"103", "2", "5"}}));
}

}  // namespace
}  // namespace mls::testing
