// Records as the foundation library's dictionaries and lists, and a value as
// text.
#pragma once

#include <string>

#include "platform/ado/recordset.h"
#include "platform/com/variant.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"

namespace mls::frame {

// A field's or argument's value as text: "" for Null (and Empty).
std::string textOf(const com::Variant& v);

// The current record as a Dictionary of field name -> value, in field order.
com::Ref<halvern::Dictionary> recordToDict(const ado::Recordset& rs);
// Every record from the first as a List of dictionaries; leaves `rs` at EOF.
com::Ref<halvern::List> recordsetToList(ado::Recordset& rs);

}  // namespace mls::frame
