// Component base: an optional owner that frees its owned components when it is destroyed,
// and free notifications between components that refer to each other.
//
// Ownership: a component created with an owner belongs to that owner; its creator keeps only a
// plain pointer and never deletes it (deleting it early is allowed: it leaves its owner's list).
// A component created without an owner belongs to whoever holds its std::unique_ptr.
#pragma once

#include <string>
#include <vector>

#include "base/ozkPersistent.h"

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csDesigning = 1u << 1,
  csDestroying = 1u << 2,
};

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* aOwner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int aIndex) const { return FComponents.at(static_cast<size_t>(aIndex)); }
  const std::u16string& Name() const { return FName; }
  void SetName(const std::u16string& aName) { FName = aName; }
  unsigned ComponentState() const { return FComponentState; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
  void SetDesigning(bool aValue);

  // aComponent is told (Notification with opRemove) when this component is destroyed.
  void FreeNotification(TComponent* aComponent);
  void RemoveFreeNotification(TComponent* aComponent);

 protected:
  virtual void Notification(TComponent* aComponent, TOperation aOperation);

 private:
  void InsertComponent(TComponent* aComponent);
  void RemoveComponent(TComponent* aComponent);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  std::u16string FName;
  unsigned FComponentState = 0;
};
