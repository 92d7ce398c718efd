#include "frame/records.h"

namespace mls::frame {

com::Ref<halvern::Dictionary> recordToDict(const ado::Recordset& rs) {
  com::Ref<halvern::Dictionary> dict = com::makeObject<halvern::Dictionary>();
  for (size_t i = 0; i < rs.fieldCount(); ++i)
    dict->setItem(rs.fieldInfo(i).name, rs.value(i));
  return dict;
}

com::Ref<halvern::List> recordsetToList(ado::Recordset& rs) {
  com::Ref<halvern::List> list = com::makeObject<halvern::List>();
  if (rs.recordCount() != 0) rs.moveFirst();
  for (; !rs.eof(); rs.moveNext())
    list->add(recordToDict(rs));
  return list;
}

std::string textOf(const com::Variant& v) {
  return v.isNull() ? std::string() : v.toString();
}

}  // namespace mls::frame
