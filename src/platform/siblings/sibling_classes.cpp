#include "platform/siblings/sibling_classes.h"

#include "platform/siblings/language_loader.h"
#include "platform/siblings/other_expense_component.h"
#include "platform/siblings/period_component.h"

namespace mls::siblings {
namespace {

template <class T>
com::ClassEntry entry() {
  return {T::kProgId, T::kClsid, [] { return com::Ref<com::Dispatch>(com::makeObject<T>()); }};
}

}  // namespace

const std::vector<com::ClassEntry>& siblingClasses() {
  static const std::vector<com::ClassEntry> classes{entry<PeriodComponent>(), entry<OtherExpenseComponent>(),
                                                    entry<LanguageLoader>()};
  return classes;
}

}  // namespace mls::siblings
