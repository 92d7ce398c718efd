#include "platform/com/typelib.h"

namespace mls::com {

const Guid kIidTypeInfoProvider{0x6D1C3A52, 0x8B0E, 0x4F7A, {0x9C, 0x3D, 0x2E, 0x5B, 0x7A, 0x1F, 0x0C, 0x41}};

InvokeKind invokeKindOf(MemberKind k) {
  switch (k) {
    case MemberKind::Method:
      return InvokeKind::Method;
    case MemberKind::PropertyGet:
      return InvokeKind::PropertyGet;
    case MemberKind::PropertyLet:
      return InvokeKind::PropertyPut;
    case MemberKind::PropertySet:
      return InvokeKind::PropertyPutRef;
  }
  return InvokeKind::Method;
}

const TypeInfo::Member* TypeInfo::find(std::string_view name, InvokeKind kind) const {
  const Member* found = nullptr;
  for (const Member& m : members_) {
    if (!hasKind(kind, invokeKindOf(m.info.kind)) || compareText(m.info.name, name, true) != 0) continue;
    if (m.info.kind == MemberKind::Method) return &m;
    if (!found) found = &m;
  }
  return found;
}

}  // namespace mls::com
