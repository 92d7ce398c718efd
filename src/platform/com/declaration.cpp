#include "platform/com/declaration.h"

namespace mls::com {
namespace {

// A default value as a literal: "text" with inner quotes doubled, True/False,
// numbers as invariant text, Nothing for an object.
std::string literal(const Variant& v) {
  switch (v.kind()) {
    case VarKind::String: {
      std::string text = "\"";
      for (char c : v.toString())
        text += c == '"' ? std::string("\"\"") : std::string(1, c);
      return text + "\"";
    }
    case VarKind::Object:
      return "Nothing";
    case VarKind::Empty:
    case VarKind::Null:
    case VarKind::Missing:
    case VarKind::Array:
      return kindName(v.kind());
    case VarKind::Date:
      return "#" + v.toString() + "#";
    default:
      return v.toString();
  }
}

std::string parameterText(const Param& p) {
  std::string text;
  if (p.optional) text += "Optional ";
  if (p.byRef) text += "ByRef ";
  text += p.name + " As " + declaredTypeName(p.type);
  if (p.defaultValue) text += " = " + literal(*p.defaultValue);
  return text;
}

}  // namespace

std::string declaredTypeName(DeclType type) {
  return type ? kindName(*type) : "Variant";
}

std::string declarationOf(const MemberInfo& member) {
  bool answers = false;
  std::string text;
  switch (member.kind) {
    case MemberKind::Method:
      answers = member.result != kNoResult;
      text = answers ? "Function " : "Sub ";
      break;
    case MemberKind::PropertyGet:
      answers = true;
      text = "Property Get ";
      break;
    case MemberKind::PropertyLet:
      text = "Property Let ";
      break;
    case MemberKind::PropertySet:
      text = "Property Set ";
      break;
  }
  text += member.name + "(";
  for (size_t i = 0; i < member.params.size(); ++i) {
    if (i > 0) text += ", ";
    text += parameterText(member.params[i]);
  }
  text += ")";
  if (answers) text += " As " + declaredTypeName(member.result);
  return text;
}

}  // namespace mls::com
