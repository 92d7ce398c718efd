#include "platform/com/declaration.h"

#include <gtest/gtest.h>

namespace mls::com {
namespace {

struct Case {
  MemberInfo member;
  const char* declaration;
};

TEST(DeclarationTest, ShowsKindParametersDefaultsAndResult) {
  const Case cases[] = {
      {{"Close", MemberKind::Method, {}, kNoResult}, "Sub Close()"},
      {{"Fill",
        MemberKind::Method,
        {Param("n", VarKind::Long), Param("lngOut", VarKind::Long).ref(), Param("vOut").ref()},
        kAny},
       "Function Fill(n As Long, ByRef lngOut As Long, ByRef vOut As Variant) As Variant"},
      {{"Pick",
        MemberKind::Method,
        {Param("bAll", VarKind::Boolean).opt(true), Param("lItem", VarKind::Long).opt(-1),
         Param("sName", VarKind::String).opt("say \"hi\""), Param("rs", VarKind::Object).opt(),
         Param("v").ref().opt()},
        VarKind::Object},
       "Function Pick(Optional bAll As Boolean = True, Optional lItem As Long = -1, "
       "Optional sName As String = \"say \"\"hi\"\"\", Optional rs As Object, Optional ByRef v As Variant) "
       "As Object"},
      {{"Item", MemberKind::PropertyGet, {Param("Key", VarKind::String)}, kAny},
       "Property Get Item(Key As String) As Variant"},
      {{"Item", MemberKind::PropertyLet, {Param("Key", VarKind::String), Param("Value")}, kNoResult},
       "Property Let Item(Key As String, Value As Variant)"},
      {{"Peer", MemberKind::PropertySet, {Param("o", VarKind::Object)}, kNoResult},
       "Property Set Peer(o As Object)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(declarationOf(c.member), c.declaration);
}

}  // namespace
}  // namespace mls::com
