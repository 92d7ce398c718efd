// A member of a type library written as one declaration line, the way a caller
// reads it:
//   Function GetQtyID(sDsn As String, lStdID As Long) As Object
//   Sub SaveCBCalInfo(sDsn As String)
//   Function CreateDelCostBom(..., Optional lDeptID As Long = 0, Optional sTbName As String = "") As String
// Parameters show ByRef, Optional and the default an omitted argument takes;
// a parameter or result of any type reads "Variant".
#pragma once

#include <string>

#include "platform/com/typelib.h"

namespace mls::com {

// "Variant" for kAny, else the kind's name ("Long", "String", "Object", ...).
std::string declaredTypeName(DeclType type);
// The member's declaration line (Sub, Function or Property Get/Let/Set).
std::string declarationOf(const MemberInfo& member);

}  // namespace mls::com
