#include "platform/halvern/list.h"

namespace mls::halvern {

using com::Param;
using com::VarKind;

namespace {

// Through dispatch, `Items` answers the items as an array (1 To Count) that a
// client enumerates in order.
const com::TypeInfo& listType() {
  static const com::TypeInfo type = [] {
    com::TypeInfo t("Halvern.List",
                    {0x6D4C5310, 0x0002, 0x4B1A, {0x9E, 0x30, 0x48, 0x41, 0x4C, 0x56, 0x4C, 0x02}});
    t.method<List>("Add", {Param("Item")}, com::kNoResult, [](List& l, com::Args a) { l.add(a[0]); })
        .propertyGet<List>("Count", {}, VarKind::Long, [](List& l, com::Args) { return l.count(); })
        .propertyGet<List>("Item", {Param("Index", VarKind::Long)}, com::kAny,
                           [](List& l, com::Args a) { return l.item(a[0].toLong()); })
        .propertyGet<List>("Items", {}, VarKind::Array, [](List& l, com::Args) {
          return com::SafeArray::vector(std::vector<com::Variant>(l.begin(), l.end()), 1);
        });
    return t;
  }();
  return type;
}

}  // namespace

List::List() : DispatchObject(listType()) {}

const com::Variant& List::item(int32_t index) const {
  if (index < 1 || index > count()) com::raise(com::err::kSubscript, "Halvern.List");
  return items_[static_cast<size_t>(index - 1)];
}

com::Ref<com::Dispatch> createList() {
  return com::makeObject<List>();
}

}  // namespace mls::halvern
