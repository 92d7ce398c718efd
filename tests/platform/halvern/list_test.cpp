#include "platform/halvern/list.h"

#include <gtest/gtest.h>
#include "support/com_errors.h"

namespace mls::halvern {
namespace {

using com::Variant;

using mls::testing::errorOf;

TEST(List, OneBasedItemsInOrder) {
  com::Ref<List> l = com::makeObject<List>();
  EXPECT_EQ(l->count(), 0);
  EXPECT_EQ(errorOf([&] { l->item(1); }), 9);
  l->add(Variant("a"));
  l->add(Variant::null());
  l->add(Variant(3));
  EXPECT_EQ(l->count(), 3);
  EXPECT_EQ(l->item(1).toString(), "a");
  EXPECT_TRUE(l->item(2).isNull());
  EXPECT_EQ(errorOf([&] { l->item(0); }), 9);
  EXPECT_EQ(errorOf([&] { l->item(4); }), 9);
  std::vector<std::string> seen;
  for (const Variant& v : *l)
    seen.push_back(v.debugString());
  EXPECT_EQ(seen, (std::vector<std::string>{"String \"a\"", "Null", "Long 3"}));
}

TEST(List, MembersThroughDispatch) {
  com::Ref<com::Dispatch> l = createList();
  com::callByName(*l, "Add", "first");
  com::callByName(*l, "add", 2.5);
  EXPECT_EQ(com::getProperty(*l, "Count").toLong(), 2);
  EXPECT_EQ(com::getProperty(*l, "Item", "2").toDouble(), 2.5);  // index coerced to Long
  Variant items = com::getProperty(*l, "Items");
  EXPECT_EQ(items.array().lbound(), 1);
  EXPECT_EQ(items.array().at({1}).toString(), "first");
  EXPECT_EQ(errorOf([&] { com::getProperty(*l, "Item", 3); }), 9);
  EXPECT_EQ(errorOf([&] { com::callByName(*l, "Add"); }), 450);
}

}  // namespace
}  // namespace mls::halvern
