#include "base/ozkPersistent.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

#include "base/ozkException.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

TPersistent::~TPersistent() = default;

void TPersistent::Assign(const TPersistent& aSource) {
  aSource.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& aDest) const {
  aDest.AssignError(this);
}

void TPersistent::AssignError(const TPersistent* aSource) const {
  std::u16string sourceName = aSource ? aSource->ClassName() : u"nil";
  throw EConvertError(Format(u"Cannot assign a %s to a %s", sourceName, ClassName()));
}

std::u16string TPersistent::ClassName() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return UTF8ToUTF16(status == 0 && demangled ? demangled.get() : mangled);
}
