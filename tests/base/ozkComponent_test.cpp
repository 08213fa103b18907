#include "base/ozkComponent.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {
struct TProbe : TComponent {
  explicit TProbe(TComponent* aOwner, std::vector<int>* aLog, int aId)
      : TComponent(aOwner), FLog(aLog), FId(aId) {}
  ~TProbe() override { FLog->push_back(FId); }
  void Notification(TComponent* aComponent, TOperation aOperation) override {
    if (aOperation == TOperation::opRemove) Removed.push_back(aComponent);
  }
  std::vector<int>* FLog;
  int FId;
  std::vector<TComponent*> Removed;
};
} // namespace

TEST(TComponent, OwnerFreesChildrenLastFirstAndEarlyDeleteLeavesOwner) {
  std::vector<int> log;
  {
    auto owner = std::make_unique<TComponent>();
    new TProbe(owner.get(), &log, 1);
    auto* second = new TProbe(owner.get(), &log, 2);
    new TProbe(owner.get(), &log, 3);
    EXPECT_EQ(owner->ComponentCount(), 3);
    delete second; // a child freed early must not be freed again by its owner
    EXPECT_EQ(owner->ComponentCount(), 2);
  }
  EXPECT_EQ(log, (std::vector<int>{2, 3, 1}));
}

TEST(TComponent, FreeNotificationTellsTheOtherSide) {
  std::vector<int> log;
  TProbe watcher(nullptr, &log, 1);
  auto watched = std::make_unique<TProbe>(nullptr, &log, 2);
  TComponent* raw = watched.get();
  watched->FreeNotification(&watcher);
  watched.reset();
  ASSERT_EQ(watcher.Removed.size(), 1u);
  EXPECT_EQ(watcher.Removed[0], raw);
}
