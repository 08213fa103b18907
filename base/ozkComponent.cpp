#include "base/ozkComponent.h"

#include <algorithm>

TComponent::TComponent(TComponent* aOwner) {
  if (aOwner) aOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  // Tell everyone who asked, then forget them (they may remove themselves while told).
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& back = other->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  // Owned components go last first.
  while (!FComponents.empty()) {
    TComponent* child = FComponents.back();
    FComponents.pop_back();
    child->FOwner = nullptr;
    delete child;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SetDesigning(bool aValue) {
  if (aValue)
    FComponentState |= csDesigning;
  else
    FComponentState &= ~unsigned(csDesigning);
}

void TComponent::InsertComponent(TComponent* aComponent) {
  FComponents.push_back(aComponent);
  aComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* aComponent) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), aComponent),
                    FComponents.end());
  aComponent->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* aComponent) {
  if (!aComponent || aComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), aComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(aComponent);
    aComponent->FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* aComponent) {
  if (!aComponent) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), aComponent),
                      FFreeNotifies.end());
  auto& back = aComponent->FFreeNotifies;
  back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::Notification(TComponent*, TOperation) {}
