// Root of the library's non-network components: a component with an owner that frees it, and
// the library's version.
#pragma once

#include <string>

#include "base/ozkComponent.h"

class TozkComponent_Base : public TComponent {
 public:
  explicit TozkComponent_Base(TComponent* aOwner = nullptr) : TComponent(aOwner) {}

  static std::u16string GetVersion() { return u"2024.10.0"; }
  std::u16string Version() const { return GetVersion(); }
};
