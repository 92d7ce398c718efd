// The binary interface between a library of classes and the process that loads
// it: the class-factory interface, the four functions the library exports, and
// the mapping between run-time error numbers and HResults at that boundary.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/com/unknown.h"

namespace mls::com {

// Makes instances of one class.
class ClassFactory : public Unknown {
 public:
  // Creates an instance and answers its interface `iid` in `out`.
  virtual HResult createInstance(const Guid& iid, void** out) = 0;
  // Keeps the library loaded while locked (calls nest).
  virtual HResult lockServer(bool lock) = 0;
};

// A class factory over a creation function; its instances are Dispatch objects.
Ref<ClassFactory> makeClassFactory(std::function<Ref<Dispatch>()> create);
// Outstanding lockServer(true) calls in this module.
uint32_t serverLocks();

// Signatures of the library's exports (extern "C").
using DllGetClassObjectFn = HResult (*)(const Guid& clsid, const Guid& iid, void** out);
using DllCanUnloadNowFn = HResult (*)();
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();

// A run-time error number as an HResult (1..65535 map to 0x800A0000 + number,
// as automation errors do; other numbers are HResults already), and back.
HResult hresultFromError(int32_t number);
int32_t errorFromHresult(HResult hr);

}  // namespace mls::com
