#include "platform/halvern/dictionary.h"

#include <gtest/gtest.h>
#include "support/com_errors.h"

namespace mls::halvern {
namespace {

using com::ComError;
using com::InvokeKind;
using com::Variant;

using mls::testing::errorOf;

TEST(Dictionary, KeysCompareWithoutCaseAndKeepOrder) {
  com::Ref<Dictionary> d = com::makeObject<Dictionary>();
  d->setItem("lngISFindCurDate", Variant(1));
  d->setItem("datPeriodBeginDate", Variant::date(45000));
  d->setItem("LNGISFINDCURDATE", Variant(2));  // replaces, keeps first spelling and place
  EXPECT_EQ(d->count(), 2);
  EXPECT_EQ(d->item("lngisfindcurdate").toLong(), 2);
  EXPECT_TRUE(d->exists("DATPERIODBEGINDATE"));
  EXPECT_FALSE(d->exists("datPeriodBegin"));
  EXPECT_EQ(d->keys(), (std::vector<std::string>{"lngISFindCurDate", "datPeriodBeginDate"}));
  d->setItem("Größe", Variant("x"));
  EXPECT_TRUE(d->exists("GRÖßE"));
  EXPECT_FALSE(d->exists("GROSSE"));
}

TEST(Dictionary, AbsentKeys) {
  com::Ref<Dictionary> d = com::makeObject<Dictionary>();
  EXPECT_EQ(errorOf([&] { d->item("nope"); }), 5);
  EXPECT_EQ(d->itemOrDefault("nope", Variant("fallback")).toString(), "fallback");
  d->setItem("k", Variant::null());
  EXPECT_TRUE(d->itemOrDefault("K", Variant(0)).isNull());  // a stored Null is not absent
  EXPECT_EQ(errorOf([&] { d->remove("other"); }), 5);
}

TEST(Dictionary, RemoveKeepsTheOtherKeysReachable) {
  com::Ref<Dictionary> d = com::makeObject<Dictionary>();
  for (int i = 0; i < 5; ++i)
    d->setItem("k" + std::to_string(i), Variant(i));
  d->remove("K1");
  d->remove("k4");
  EXPECT_EQ(d->count(), 3);
  EXPECT_EQ(d->keys(), (std::vector<std::string>{"k0", "k2", "k3"}));
  EXPECT_EQ(d->item("k3").toLong(), 3);
  d->setItem("k1", Variant(10));
  EXPECT_EQ(d->keys().back(), "k1");
  EXPECT_EQ(d->item("k2").toLong(), 2);
}

TEST(Dictionary, MembersThroughDispatch) {
  com::Ref<com::Dispatch> d = createDictionary();
  com::letProperty(*d, "item", "Rate", 2.5);
  EXPECT_EQ(com::getProperty(*d, "Item", "RATE").toDouble(), 2.5);
  EXPECT_EQ(com::getProperty(*d, "Count").toLong(), 1);
  EXPECT_TRUE(com::callByName(*d, "Exists", "rate").toBool());
  EXPECT_EQ(com::callByName(*d, "ItemOrDefault", "none", 7).toLong(), 7);

  com::Ref<com::Dispatch> inner = createDictionary();
  com::setProperty(*d, "Item", "Inner", Variant(inner));
  EXPECT_EQ(com::getProperty(*d, "Item", "inner").toObject(), inner);

  Variant keys = com::callByName(*d, "Keys");
  ASSERT_TRUE(keys.isArray());
  EXPECT_EQ(keys.array().ubound(), 1);
  EXPECT_EQ(keys.array().at({1}).toString(), "Inner");

  com::callByName(*d, "Remove", "Rate");
  ComError e = mls::testing::raisedBy([&] { com::getProperty(*d, "Item", "Rate"); });
  EXPECT_EQ(e.number(), 5);
  EXPECT_EQ(e.source(), "Halvern.Dictionary");
  EXPECT_EQ(errorOf([&] { com::setProperty(*d, "Item", "x", 1); }), 424);  // Item set needs an object
}

}  // namespace
}  // namespace mls::halvern
