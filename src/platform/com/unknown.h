// The object model every public object follows: reference-counted objects that
// answer for interfaces by GUID, and the dispatch interface through which a
// client calls members by name.  These are plain C++ abstract classes; the
// library and its clients are built by the same compiler, so their virtual
// tables are the binary interface.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mls::com {

class Variant;

using HResult = int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kClassNotAvailable = static_cast<HResult>(0x80040111);
inline constexpr HResult kDispException = static_cast<HResult>(0x80020009);

struct Guid {
  uint32_t d1 = 0;
  uint16_t d2 = 0;
  uint16_t d3 = 0;
  uint8_t d4[8] = {};

  // Parses "{E6161E5E-956A-11D7-9E78-00E01869F6B0}" (braces optional, any case).
  static std::optional<Guid> parse(std::string_view text);
  // Upper-case text with braces.
  std::string toString() const;
  friend bool operator==(const Guid&, const Guid&) = default;
};

// IID of Unknown and of Dispatch (our own values).
extern const Guid kIidUnknown;
extern const Guid kIidDispatch;
extern const Guid kIidClassFactory;

class Unknown {
 public:
  virtual HResult queryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t addRef() = 0;
  virtual uint32_t release() = 0;

 protected:
  virtual ~Unknown() = default;
};

// Intrusive reference to an Unknown-derived object.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  // Takes a new reference (addRef).
  explicit Ref(T* p) : p_(p) {
    if (p_) p_->addRef();
  }
  // Adopts a reference the caller already owns (no addRef).
  static Ref adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) : Ref(static_cast<T*>(o.get())) {}
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() {
    if (p_) p_->release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

enum class InvokeKind : uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

// One error as a data provider reports it: the server's own message number
// (4060 for a database that cannot be opened, 3202 for a failed write...),
// its SQLSTATE, text and provider.
struct ProviderError {
  int32_t nativeError = 0;
  std::string sqlState;
  std::string description;
  std::string source;
  friend bool operator==(const ProviderError&, const ProviderError&) = default;
};

// What a failed call reports (the error's number, source, description, help),
// and, when a data provider's failure lies behind it, the provider's own
// errors, so that the caller sees the server's numbers beside the generic one.
struct ExcepInfo {
  ExcepInfo(int32_t number = 0, std::string source = {}, std::string description = {},
            std::string helpFile = {}, int32_t helpContext = 0,
            std::vector<ProviderError> providerErrors = {})
      : number(number),
        source(std::move(source)),
        description(std::move(description)),
        helpFile(std::move(helpFile)),
        helpContext(helpContext),
        providerErrors(std::move(providerErrors)) {}

  int32_t number = 0;
  std::string source;
  std::string description;
  std::string helpFile;
  int32_t helpContext = 0;
  std::vector<ProviderError> providerErrors;
};

// Late-bound calls by member name.  Arguments are positional, first argument
// first.  A by-reference argument is a Variant of kind ByRef that refers to the
// caller's Variant; the callee writes through it.  On failure the call answers
// kDispException and fills `excep`.
class Dispatch : public Unknown {
 public:
  virtual HResult invoke(std::string_view name, InvokeKind kind, std::span<Variant> args, Variant* result,
                         ExcepInfo* excep) = 0;
};

}  // namespace mls::com
