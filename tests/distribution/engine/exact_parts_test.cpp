// Every row of a split line is its exact part by weight, rounded once, the
// rounding difference on the one row the rules name: weights from 1E-10 to
// the column's largest and adding up to 1E19, lines from 0.01 to just below
// 1E13 (the snapshot's) and negative, the client's totals up to 7E17, through
// AutoDis's split and re-split, the re-spread, the client's re-split and the
// preview.
#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

#include "distribution/engine/line_rows.h"
#include "engine_fixture.h"
#include "frame/sql_literal.h"
#include "platform/ado/recordset.h"
#include "platform/com/decimal.h"
#include "platform/com/registry.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"
#include "support/exact_parts.h"

namespace mls::testing {
namespace {

using com::Decimal;
using frame::sqlNumber;

Decimal number(const std::string& text) {
  return *Decimal::parse(text);
}

struct Line {
  int bill;
  int item;  // 100: quantities to 2 decimals, 101: to 10, 102: none set (10)
  std::string qty, amount;
};

const std::vector<Line> kLines{{1, 100, "3", "3.00"},
                               {2, 101, "30", "300000000.00"},
                               {3, 100, "0.03", "0.03"},
                               {4, 101, "1234.5678901234", "9876543210987.65"},
                               {5, 100, "-7.5", "-7654321.09"},
                               {6, 101, "0.0000000007", "0.07"},
                               {7, 100, "100", "12345678901.23"},
                               {8, 100, "9999999", "9999999999999.99"},
                               {9, 102, "1", "1.00"}};

struct Sweep {
  const char* name;
  std::map<int, std::string> weights;  // by cost object
};

struct Row {
  int costObj;
  Decimal qty, amount;
};

enum class Taker { LargestWeightThenId, LargestWeightThenIdAsText, SmallestId, AnyOne };

class ExactPartsTest : public EngineTest, public ::testing::WithParamInterface<Sweep> {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    item(101, 10);
    item(102);
    for (const auto& [costObj, weight] : GetParam().weights) {
      if (costObj % 2 == 0) producingCostObject(costObj);  // beyond the fixture's 3, 5, 7 and 9
      exec(
          "INSERT INTO CBRationStandardInfo (FYear, FPeriod, FStandardID, FDeptID, FCostObjID, FCostItemID, "
          "FQty) VALUES (2024, 3, 1, 1, " +
          sqlNumber(costObj) + ", 0, " + weight + ")");
    }
    for (const Line& l : kLines) {
      issue({.bill = l.bill, .item = l.item});
      setLine("ICStockBillEntry", l.bill, l.qty, l.amount);
    }
  }

  void setLine(const std::string& table, int bill, const std::string& qty, const std::string& amount) const {
    exec("UPDATE " + table + " SET FQty = " + qty + ", FAmount = " + amount +
         " WHERE FInterID = " + sqlNumber(bill));
  }

  std::vector<Row> saved(int bill) const {
    std::vector<Row> out;
    for (const auto& r : db_.run("SELECT FCostObjID, FQty, FAmount, FStandardData FROM cbMaterielInfo WHERE "
                                 "FYear = 2024 AND FPeriod = 3 AND FInterID = " +
                                 sqlNumber(bill) + " ORDER BY FCostObjID")) {
      out.push_back({r[0].toLong(), r[1].toDecimal(), r[2].toDecimal()});
      EXPECT_EQ(r[3].toDecimal(), weight(out.back().costObj)) << "cost object " << out.back().costObj;
    }
    return out;
  }

  Decimal weight(int costObj) const { return number(GetParam().weights.at(costObj)); }

  Decimal totalWeight() const {
    Decimal total;
    for (const auto& [costObj, w] : GetParam().weights)
      total = total + number(w);
    return total;
  }

  // Whether `test` holds for the part of `whole` of every weight.
  bool everyPart(const std::string& whole, int places,
                 const std::function<bool(const Decimal&)>& test) const {
    return std::all_of(GetParam().weights.begin(), GetParam().weights.end(), [&](const auto& w) {
      return test(exactPart(number(whole), number(w.second), totalWeight(), places));
    });
  }

  // Each row's quantity (when `quantities`) and amount is the line's part
  // by its weight, except the taker's, which is what the others leave.
  void expectParts(const std::string& step, const Line& line, const std::vector<Row>& rows, Taker taker,
                   bool halfEven = false, bool quantities = true) const {
    SCOPED_TRACE(step + ", line " + std::to_string(line.bill));
    ASSERT_EQ(rows.size(), GetParam().weights.size());
    const Decimal total = totalWeight();
    const size_t named = takerOf(rows, taker);
    const int qtyPlaces = line.item == 100 ? 2 : 10;
    for (bool amounts : {false, true}) {
      if (!amounts && !quantities) continue;
      const Decimal whole = number(amounts ? line.amount : line.qty);
      std::vector<Decimal> expected;
      Decimal rest = whole;
      for (const Row& r : rows) {
        expected.push_back(exactPart(whole, weight(r.costObj), total, amounts ? 2 : qtyPlaces, halfEven));
        rest = rest - expected.back();
      }
      size_t off = 0;
      for (size_t i = 0; i < rows.size(); ++i) {
        const Decimal got = amounts ? rows[i].amount : rows[i].qty;
        if (taker == Taker::AnyOne && got != expected[i] && off++ == 0) expected[i] = expected[i] + rest;
        if (taker != Taker::AnyOne && i == named) expected[i] = expected[i] + rest;
        EXPECT_EQ(got, expected[i]) << (amounts ? "amount" : "quantity") << " of cost object "
                                    << rows[i].costObj;
      }
    }
  }

  size_t takerOf(const std::vector<Row>& rows, Taker taker) const {
    std::vector<std::pair<int, Decimal>> weights;
    for (const Row& r : rows)
      weights.emplace_back(r.costObj, weight(r.costObj));
    if (taker == Taker::LargestWeightThenIdAsText) return autoDisTaker(weights);
    size_t best = 0;
    for (size_t i = 1; taker == Taker::LargestWeightThenId && i < rows.size(); ++i) {
      if (weights[i].second > weights[best].second ||
          (weights[i].second == weights[best].second && weights[i].first > weights[best].first))
        best = i;
    }
    return best;
  }

  // The line preview of the live line with the weights given by the client.
  std::vector<Row> preview(int bill) const {
    com::Ref<com::Dispatch> list = halvern::createList();
    for (const auto& [costObj, w] : GetParam().weights) {
      com::Ref<com::Dispatch> d = halvern::createDictionary();
      auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
      dict->setItem("FCostObjID", com::Variant(costObj));
      dict->setItem("FStandardData", com::Variant(w));
      dict->setItem("FCostItemID", com::Variant(0));
      dynamic_cast<halvern::List*>(list.get())->add(com::Variant(d));
    }
    com::Ref<com::Dispatch> info = com::createObject("Marlstone.ConcludeInfo");
    com::Variant result = callOn(*info, db_.props("en"), "GetMaterielExpenseDistribute",
                                 {2024, 3, bill, 1, true, com::Variant(list)});
    auto* rs = dynamic_cast<ado::Recordset*>(result.toObject().get());
    std::vector<Row> out;
    for (const auto& [costObj, w] : GetParam().weights)
      out.push_back({costObj, Decimal(), Decimal()});
    for (; !rs->eof(); rs->moveNext()) {
      const int costObj = rs->value("FCostObjID").toLong();
      auto found = std::find_if(out.begin(), out.end(), [&](const Row& r) { return r.costObj == costObj; });
      *found = {costObj, rs->value("FDistributQty").toDecimal(), rs->value("FDistributAmount").toDecimal()};
    }
    return out;
  }
};

TEST_P(ExactPartsTest, EveryRowIsItsExactPart) {
  snapshot();
  for (const Line& l : kLines)
    expectParts("preview", l, preview(l.bill), Taker::LargestWeightThenId, true);
  EXPECT_TRUE(distribute({}).toBool());
  for (const Line& l : kLines)
    expectParts("fresh split", l, saved(l.bill), Taker::LargestWeightThenIdAsText);

  // Split again by the saved weights, each line of the snapshot negated.
  std::vector<Line> negated;
  for (const Line& l : kLines) {
    auto flip = [](const std::string& t) { return t[0] == '-' ? t.substr(1) : "-" + t; };
    negated.push_back({l.bill, l.item, flip(l.qty), flip(l.amount)});
    setLine("cb_ICStockBillEntry", l.bill, negated.back().qty, negated.back().amount);
  }
  EXPECT_TRUE(distribute({}).toBool());
  for (const Line& l : negated)
    expectParts("re-split", l, saved(l.bill), Taker::LargestWeightThenIdAsText);

  // The live amounts fall by 30%; the re-spread follows them.
  std::vector<Line> moved;
  com::SafeArray array({{0, 2}, {0, static_cast<int32_t>(kLines.size())}});  // (bill, entry) pairs
  for (const Line& l : kLines) {
    const auto i = static_cast<int32_t>(moved.size());
    moved.push_back({l.bill, l.item, l.qty, (number(l.amount) * number("0.7")).roundHalfEven(2).toString()});
    setLine("ICStockBillEntry", l.bill, l.qty, moved.back().amount);
    array.at({0, i}) = com::Variant(l.bill);
    array.at({1, i}) = com::Variant(1);
  }
  call("DistributeShareMaterielExpByInterID", {2024, 3, 0, com::Variant(std::move(array))});
  for (const Line& l : moved)
    expectParts("re-spread", l, saved(l.bill), Taker::SmallestId, false, false);

  // The client's totals for the saved rows of each line, and large totals
  // for line 2: refused where every row's amount is 0 or a part fits no row
  // (weights outweighing their total).
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  std::vector<Line> lines = kLines;
  lines.push_back({2, 101, "700000000000000000", "1000000000000000.00"});
  for (const Line& l : lines) {
    const int places = l.item == 100 ? 2 : 10;
    const bool refused = everyPart(l.amount, 2, [](const Decimal& part) { return part.isZero(); }) ||
                         !everyPart(l.qty, places, [](const Decimal& part) {
                           return (part.negative() ? -part : part) < number("1000000000000000000");
                         });
    const int32_t error = errorOf([&] {
      callOn(*update, db_.props("en"), "DistributeMaterielExpense",
             {l.bill, 1, places, 4, std::stod(l.amount), std::stod(l.qty)});
    });
    EXPECT_EQ(error, refused ? -1 : 0) << "line " << l.bill << " of " << l.qty;
    if (!refused) expectParts("client's totals", l, saved(l.bill), Taker::AnyOne);
  }
}

// The expression alone, at the edges of its ways of working: small factors,
// whole numbers by pieces (a total below 8E18, no weight above it), by named
// steps beyond, and parts that fit no row (1E18 or more, given as 1E26); then
// for wholes, weights and totals drawn at random across their ranges, where a
// part of 1E18 or more may be anything of 1E18 or more.
TEST_F(EngineTest, TheWeighedPartIsExactForFactorsOfEverySize) {
  auto part = [&](const std::string& whole, const std::string& weight, const std::string& total, int places) {
    return number(rows("SELECT " + distribution::engine::weighedPart("CAST(" + whole + " AS decimal(28,10))",
                                                                     weight, total, std::to_string(places)))
                      .at(0)
                      .at(0));
  };
  const struct {
    const char *whole, *weight, *total, *part;  // part: none where it is the exact one
    int places = 2;
  } cases[] = {
      {"123456789", "1", "68", nullptr, 10},  // the eleventh place (5, then 0.29) decides the tenth
      {"99999999.99", "99999999.9999", "199999999.9999", nullptr},
      {"9999999999999999.99", "3", "7", nullptr},
      {"999999999999999999.9999999999", "1", "3", nullptr},
      {"-999999999999999999.9999999999", "0.0000000001", "0.0000000003", nullptr},
      {"999999999999999999.9999999999", "999999999999999999.9999999999", "999999999999999999.9999999999",
       "1000000000000000000.00"},
      {"0.0000000001", "600000000000000000", "1800000000000000000", nullptr},
      {"1", "999999999999999999.9999999999", "8000000000000000000.0000000001", nullptr},
      {"-123456789012345678.9", "999999999999999999.9999999999", "3999999999999999999999999999.99", nullptr},
      {"0.5", "3", "0.0000000002", nullptr},  // weights of both signs
      {"100000000", "1", "0.0000000001", "100000000000000000000000000.00"},
      {"100000000.5", "1", "4000000000000000000000000000", "100000000000000000000000000.00"}};
  for (const auto& c : cases) {
    EXPECT_EQ(
        part(c.whole, c.weight, c.total, c.places),
        c.part ? number(c.part) : exactPart(number(c.whole), number(c.weight), number(c.total), c.places))
        << c.whole << " x " << c.weight << " / " << c.total;
  }

  std::mt19937_64 draw(43);
  auto digits = [&](size_t places) {
    std::string s;
    while (s.size() < places)
      s += static_cast<char>('0' + draw() % 10);
    return s;
  };
  auto value = [&](size_t integral, size_t places) {
    return std::string(draw() % 5 == 0 ? "-" : "") + (integral ? digits(integral) : "0") + "." +
           digits(places);
  };
  const Decimal beyond = number("1000000000000000000");
  auto magnitude = [](const Decimal& d) { return d.negative() ? -d : d; };
  for (int i = 0; i < 400; ++i) {
    const std::string whole = value(draw() % 19, draw() % 11), weight = value(draw() % 19, draw() % 11);
    const std::string total = value(i % 2 ? 19 + draw() % 9 : draw() % 19, draw() % 11);
    const int places = static_cast<int>(draw() % 11);
    const double estimate = std::fabs(std::stod(whole) * std::stod(weight) / std::stod(total));
    if (number(total).isZero() || (estimate > 5e17 && estimate < 2e18 && places > 8)) continue;
    const Decimal got = part(whole, weight, "CAST(" + total + " AS decimal(38,10))", places);
    SCOPED_TRACE(whole + " x " + weight + " / " + total + " to " + std::to_string(places));
    const Decimal exact =
        estimate < 2e18 ? exactPart(number(whole), number(weight), number(total), places) : beyond;
    if (magnitude(exact) >= beyond)
      EXPECT_GE(magnitude(got), beyond);
    else
      EXPECT_EQ(got, exact);
  }
}

// A part that no row holds is refused naming the line, nothing changed: in
// the client's re-split (a weight outweighing the total, or a total beyond the
// line's columns) and in AutoDis's split, where entered weights adding up to
// 0.0000000001 (a fresh line) or saved standard data doing so (a line split
// before) give the line of 100,000,000.00 a part of 1E18.
TEST_F(EngineTest, APartBeyondAnyRowIsRefusedNamingTheLine) {
  const struct {
    const char* name;
    std::map<int, double> entered;  // none: the client's re-split of `amount`
    double saved;                   // the second saved row's weight, the first's 1; 0: no saved rows
    double amount;
  } cases[] = {{"client", {}, -0.9999999999, 100000000},
               {"client's total", {}, 1, 2e18},
               {"fresh", {{3, 1}, {5, -0.9999999999}}, 0, 0},
               {"again", {{3, 1}, {5, 1}}, -0.9999999999, 0}};
  issue({.amount = 100000000});
  snapshot();
  com::Ref<com::Dispatch> update = com::createObject("Marlstone.ConcludeUpdate");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    exec("DELETE FROM cbMaterielInfo DELETE FROM CBRationStandardInfo");
    weights(1, c.entered);
    if (c.saved != 0) {
      savedRow(1, 1, 3, 1, 5);
      savedRow(1, 1, 5, c.saved, 7);
    }
    auto split = [&] {
      if (c.entered.empty())
        callOn(*update, db_.props("en"), "DistributeMaterielExpense", {1, 1, 2, 4, c.amount, 1.0});
      else
        distribute({});
    };
    std::string description;
    EXPECT_EQ(errorOf(split, &description), -1);
    EXPECT_NE(description.find("bill [B1] line [1]"), std::string::npos) << description;
    EXPECT_EQ(rowsOf(1), c.saved != 0 ? (Rows{{"3", "1", "5"}, {"5", "1", "7"}}) : Rows{});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Weights, ExactPartsTest,
    ::testing::Values(
        Sweep{"TenBillionths", {{3, "0.0000000001"}, {5, "0.0000000001"}, {7, "0.0000000001"}}},
        Sweep{"TenMillionths", {{3, "0.0000001"}, {5, "0.0000001"}, {7, "0.0000001"}}},
        Sweep{"Ones", {{3, "1"}, {5, "1"}, {7, "1"}}},
        Sweep{"TenToTheSeventeenth",
              {{3, "100000000000000000"}, {5, "100000000000000000"}, {7, "100000000000000000"}}},
        Sweep{"UnequalTiny",
              {{3, "0.0000000001"}, {5, "0.0000000002"}, {7, "0.0000000004"}, {9, "0.0000000013"}}},
        Sweep{"FromTinyToHuge", {{3, "0.0000000001"}, {5, "1"}, {7, "100000000000000000"}}},
        Sweep{"Unequal", {{3, "0.0000001234"}, {5, "3.5"}, {7, "7.25"}, {9, "12345678.9012345678"}}},
        // A part a hair below a half cent.
        Sweep{"NearHalf", {{3, "49999999999999999.9999999999"}, {5, "50000000000000000.0000000001"}}},
        Sweep{"HugeUnequal",
              {{3, "99999999999999999.9999999999"}, {5, "12345678901234567.8901234567"}, {7, "1"}}},
        Sweep{"LargestOfTheColumn",
              {{3, "999999999999999999.9999999999"},
               {5, "999999999999999999.9999999999"},
               {7, "0.0000000001"}}},
        // Weights of both signs, one outweighing their total: named steps too.
        Sweep{"BothSigns", {{3, "3"}, {5, "-2"}, {7, "0.0000000001"}}},
        // Beyond 8E18, where the pieces give way to named steps.
        Sweep{"NineTimesTheLargest",
              {{2, "999999999999999999.9999999999"},
               {3, "999999999999999999.9999999998"},
               {4, "999999999999999999.9999999997"},
               {5, "999999999999999999.9999999996"},
               {6, "999999999999999999.9999999995"},
               {7, "999999999999999999.9999999994"},
               {8, "999999999999999999.9999999993"},
               {9, "999999999999999999.9999999992"},
               {10, "333333333333333333.3333333333"}}}),
    [](const ::testing::TestParamInfo<Sweep>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace mls::testing
