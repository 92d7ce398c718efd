// The demo plant: a small manufacturer's ERP data for the cost calculation,
// generated as T-SQL statements (to run on a database that holds schema/erp.sql
// and schema/system.sql), the same for the same seed and size:
//   - a calendar whose periods start on the 26th, for the year and the next;
//   - production (361) and auxiliary (362) departments;
//   - materials (some batch-tracked) and products;
//   - cost objects of calculation types 906, 907 (two of them sharing a
//     product), 908 (two batches of one product) and 909 (main product, second
//     product, by-product, with coefficients);
//   - live stock bills of types 24 (purposes 12000, 12001, 12002), 2 and 5,
//     and of other types, dated in the period before, the period, the next
//     period and on the windows' edges, with every state the readers filter on
//     (cancelled, unchecked, FStatus 0, NULL bill numbers, FROB, departments);
//   - distribution rows of the period (some orphaned: their issue line was
//     cancelled, unchecked or deleted) and of the period before, other-expense
//     bills and their distribution, and saved results of both periods;
//   - units of measure (receipts of every third product in boxes of 12) and
//     the period's values of by-products;
//   - the period's input quantities, two cost-object groups, BOMs of two
//     levels with one customer BOM line, and a complex standard (number 10)
//     of input times BOM usage;
//   - cost items, the item base table and the item register, standard
//     product costs and the cost vouchers of the period before;
//   - a sort standard (number 20) set for every classification cost object,
//     its data per department, product and cost item, and by-product values
//     per cost item;
//   - for material distribution: the pseudo cost objects MaterielShareID and
//     MaterielMakeID named by shared and excluded issue lines, shared lines in
//     cost-object groups, the material expense '5001', items' cost items, plan
//     prices, repairable-waste output, and the entered standard
//     kEnteredStandard of twelve cost objects per department;
//   - the period's checked purchase receipts posted to vouchers, hooked to
//     expense or purchase invoices of the period (some posted, some not), or
//     left as they were;
//   - work in process: the period's WIP-material bill of parts of the
//     materials the production departments used (shared, in groups, of one
//     cost object), the counted WIP of the cost objects, and cost objects of
//     sub-item 5 in production;
//   - for saving and re-pricing distribution rows: the items' material and
//     core records, three departments' standard for material, opening
//     balances of materials, and rework requisitions waiting for a price.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mls::demoplant {

// The entered allocation standard the plant gives twelve cost objects of each
// department, in the department they are in production in.
inline constexpr int kEnteredStandard = 11;

struct PlantOptions {
  uint64_t seed = 1;
  int billLines = 2000;  // live stock bill lines over all periods
  int year = 2024;
  int period = 3;  // 2 to 11: the bills reach into the periods on either side
};

struct PlantFacts {
  int departments = 0;
  int items = 0;
  int costObjects = 0;
  int bills = 0;
  int billLines = 0;
  int distributionRows = 0;  // material and other-expense distribution
  int resultRows = 0;        // product cost rows, saved results, work-in-process distribution
  int bomLines = 0;          // BOM lines, the customer BOM's included
  int wipLines = 0;          // lines of the WIP-material bills
};

struct Plant {
  std::vector<std::string> statements;  // each ends with CR LF
  PlantFacts facts;
};

// Raises std::invalid_argument for a period outside 2..11 or a size below 1.
Plant generatePlant(const PlantOptions& options);

}  // namespace mls::demoplant
