// The three rules by which a product receipt line counts for a cost object's
// completed quantity, written once for the saved quantities (cbCompleteQty and
// cbProductQty, from the period snapshot) and for the completed-quantity
// standard (from the live bills):
//   batch costing (908)  - the receipts of its standard product and batch;
//   classification (909) - the receipts of its products, weighted by their
//                          coefficients and rounded to the standard product's
//                          quantity decimals, 4 when unset or when the
//                          standard product is no item;
//   any other type       - every receipt of its standard product, any batch,
//                          except products of classification cost objects (a
//                          cost object without a type is an ordinary one).
#pragma once

#include <string>
#include <string_view>

#include "frame/sql_script.h"

namespace mls::frame::completed {

// The product receipts of a window: bills h of the table `bills` and their
// lines b of `lines`, checked, not cancelled and dated from `begin` up to the
// day before `next` (both quoted 'yyyy-mm-dd' literals).
struct Receipts {
  std::string_view bills;
  std::string_view lines;
  std::string begin;
  std::string next;
};

enum class Rule { BatchCosting, Classification, Ordinary };
inline constexpr Rule kRules[] = {Rule::BatchCosting, Rule::Classification, Rule::Ordinary};

// Appends the lines "FROM ... WHERE ..." that give the rule's receipt lines b
// with their bill h and their cost object c; the classification's also give
// the product row d (cb_CostObj_Product) and the standard product i
// (t_ICItem, outer-joined).  The caller groups by h.FDeptID and c.FItemID.
void addSource(SqlScript& sql, const Receipts& receipts, Rule rule);

// The completed quantity of such a group.
std::string quantity(Rule rule);

}  // namespace mls::frame::completed
