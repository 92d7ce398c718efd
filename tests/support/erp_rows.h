// Rows of the ERP's master and stock-bill tables, seeded by the behaviour
// tests; every value reaches the SQL through the frame's literal helpers.  A
// fixture derives from ErpRows and says where its seeding SQL runs.
#pragma once

#include <optional>
#include <string>

#include "platform/com/variant.h"

namespace mls::testing {

struct ItemRow {
  int id = 0;
  std::optional<int> qtyDecimal{};
  int track = 0;
  std::optional<double> standardManHour{};
  std::optional<std::string> number{};  // none: "I<id>"
  std::optional<std::string> name{};    // none: "Item <id>"
  com::Variant erpClass = com::Variant::null();
};

// An ICStockBill header (checked by user 9, booked in no voucher).
struct Bill {
  int id = 0;
  int type = 24;
  std::string date = "2024-03-10";
  std::optional<int> dept = 1;
  std::optional<int> status = 1;
  int cancellation = 0;
  int purpose = 12000;
};

class ErpRows {
 protected:
  virtual ~ErpRows() = default;
  virtual void exec(const std::string& sql) const = 0;

  void department(int id, int costAccountType) const;
  void item(const ItemRow& row) const;
  void item(int id, std::optional<int> qtyDecimal = std::nullopt, int track = 0) const {
    item(ItemRow{.id = id, .qtyDecimal = qtyDecimal, .track = track});
  }
  // A cost object numbered "C<id>"; no type: FCalculateType NULL.
  void costObject(int id, std::optional<int> type, int product, const std::string& batch = "") const;
  void coProduct(int costObj, int product, double quotiety, int deputy = 0) const;
  void bill(const Bill& b) const;
  void line(int interId, int entryId, int item, double qty, const std::string& batch = "", int costObj = 0,
            int reproduceType = 0) const;
  // An issue line with its amount, priced at amount / qty (0 without a
  // quantity), its plan price, cost object (0: shared) and cost-object group.
  void valuedLine(int interId, int entryId, int item, double qty, double amount, double planPrice,
                  int costObj, int group) const;
};

}  // namespace mls::testing
