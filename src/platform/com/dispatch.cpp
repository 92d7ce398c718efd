#include "platform/com/dispatch.h"

#include <exception>
#include <utility>

namespace mls::com {
namespace {

std::atomic<uint32_t> gLiveObjects{0};

// A by-reference argument whose declared type differs from Variant: the handler
// works on a coerced copy, which goes back to the caller's variable when the
// handler ends, whether it returned or raised.
struct WriteBack {
  Variant* target;
  Variant* slot;
};

Variant coerce(const Variant& v, DeclType type) {
  if (!type) return v.deref();
  return v.deref().convertTo(*type);
}

}  // namespace

DispatchObject::DispatchObject(const TypeInfo& type) : type_(type) {
  ++gLiveObjects;
}

DispatchObject::~DispatchObject() {
  --gLiveObjects;
}

uint32_t DispatchObject::liveObjects() {
  return gLiveObjects.load();
}

HResult DispatchObject::queryInterface(const Guid& iid, void** out) {
  if (!out) return kPointer;
  if (iid == kIidUnknown || iid == kIidDispatch || iid == type_.iid()) {
    *out = static_cast<Dispatch*>(this);
  } else if (iid == kIidTypeInfoProvider) {
    *out = static_cast<TypeInfoProvider*>(this);
  } else {
    *out = nullptr;
    return kNoInterface;
  }
  addRef();
  return kOk;
}

uint32_t DispatchObject::addRef() {
  return ++refs_;
}

uint32_t DispatchObject::release() {
  uint32_t n = --refs_;
  if (n == 0) delete this;
  return n;
}

HResult DispatchObject::invoke(std::string_view name, InvokeKind kind, std::span<Variant> args,
                               Variant* result, ExcepInfo* excep) {
  try {
    const TypeInfo::Member* m = type_.find(name, kind);
    if (!m) {
      raise(err::kNoSuchMember, type_.className());
    }
    Variant r = call(*m, args);
    if (result) *result = std::move(r);
    return kOk;
  } catch (const ComError& e) {
    if (excep) *excep = e.info();
  } catch (const std::exception& e) {
    if (excep) *excep = ExcepInfo{kFail, type_.className(), e.what(), {}, 0};
  }
  return kDispException;
}

Variant DispatchObject::call(const TypeInfo::Member& m, std::span<Variant> args) {
  const std::vector<Param>& params = m.info.params;
  size_t required = 0;
  for (size_t i = 0; i < params.size(); ++i) {
    if (!params[i].optional) required = i + 1;
  }
  if (args.size() > params.size() || args.size() < required) {
    raise(err::kWrongArgumentCount, type_.className());
  }

  // slots[i] holds the value the handler sees for parameter i; a by-reference
  // parameter sees a ByRef Variant to its slot or to the caller's variable.
  std::vector<Variant> slots(params.size());
  std::vector<Variant> callArgs(params.size());
  std::vector<WriteBack> writeBacks;
  for (size_t i = 0; i < params.size(); ++i) {
    const Param& p = params[i];
    bool given = i < args.size() && !args[i].isMissing();
    if (i < args.size() && args[i].isMissing() && !p.optional) {
      raise(err::kArgumentNotOptional, type_.className());
    }
    Variant* callerVar = i < args.size() && args[i].rawKind() == VarKind::ByRef ? &args[i].deref() : nullptr;
    if (!given) {
      slots[i] = p.defaultValue ? *p.defaultValue : Variant::missing();
    } else if (p.byRef && callerVar && !p.type) {
      callArgs[i] = args[i];  // a Variant parameter shares the caller's variable
      continue;
    } else {
      try {
        slots[i] = coerce(args[i], p.type);
      } catch (const ComError& e) {
        reraise(e, type_.className());
      }
      if (p.byRef && callerVar) writeBacks.push_back({callerVar, &slots[i]});
    }
    callArgs[i] = p.byRef ? Variant::byRef(&slots[i]) : slots[i];
  }

  Variant r;
  try {
    r = m.handler(*this, callArgs);
  } catch (...) {
    for (const WriteBack& w : writeBacks)
      *w.target = *w.slot;
    throw;
  }
  for (const WriteBack& w : writeBacks)
    *w.target = *w.slot;

  if (!m.info.result) return r;
  if (*m.info.result == VarKind::Empty) return {};
  try {
    return r.convertTo(*m.info.result);
  } catch (const ComError& e) {
    reraise(e, type_.className());
  }
}

Variant invokeByName(Dispatch& obj, std::string_view name, InvokeKind kind, std::span<Variant> args) {
  Variant result;
  ExcepInfo excep;
  HResult hr = obj.invoke(name, kind, args, &result, &excep);
  if (hr == kOk) return result;
  if (hr == kDispException) {
    throw ComError(std::move(excep));
  }
  throw ComError(hr, {}, "Automation error calling " + std::string(name));
}

const TypeInfo* typeInfoOf(Dispatch& obj) {
  void* p = nullptr;
  if (obj.queryInterface(kIidTypeInfoProvider, &p) != kOk) return nullptr;
  Ref<TypeInfoProvider> provider = Ref<TypeInfoProvider>::adopt(static_cast<TypeInfoProvider*>(p));
  return &provider->typeInfo();
}

}  // namespace mls::com
