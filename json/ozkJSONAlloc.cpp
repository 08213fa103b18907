// Storage of document members. A parse allocates one member per value, and the general heap
// spends more time on that (and on freeing them again) than the parser spends reading, so
// members are carved out of blocks: each thread bumps through a block of its own, and every
// member records its block so that it can be freed from any thread.
//
// A block's counter starts at a large bias while a thread allocates from it, and every freed
// member takes one off, atomically (a member may be freed on any thread). Handing a member
// out touches only the allocating thread's own count, so allocation needs no atomic
// operation. When the allocating thread moves on, it takes the bias back less the members it
// handed out; whoever brings the counter to zero frees the block. The allocating thread
// reuses its block from the start once every member in it has been freed.
#include "json/ozkJSON.h"

#include <atomic>
#include <new>

// Under AddressSanitizer free slots are poisoned, so a member used after it was freed is
// still reported although its memory stays in the block.
#if defined(__SANITIZE_ADDRESS__)
#define OZK_JSON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OZK_JSON_ASAN 1
#endif
#endif
#if OZK_JSON_ASAN
#include <sanitizer/asan_interface.h>
#define OZK_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define OZK_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define OZK_POISON(p, n) ((void)(p), (void)(n))
#define OZK_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr size_t kHeader = sizeof(void*);
constexpr size_t kSlotSize = (kHeader + sizeof(TozkObjectJSON) + 7) & ~size_t{7};
constexpr size_t kSlotsPerBlock = 128;
constexpr size_t kBias = size_t{1} << 40; // far above any count of members in one block

struct TMemberBlock {
  std::atomic<size_t> Counter{kBias}; // bias (while allocated from) - members freed
  size_t Used = 0;                    // members handed out; the allocating thread's own
  alignas(16) unsigned char Slots[kSlotsPerBlock * kSlotSize];
};

void ReleaseBlock(TMemberBlock* aBlock, size_t aCount) noexcept {
  if (aBlock->Counter.fetch_sub(aCount, std::memory_order_acq_rel) == aCount) {
    OZK_UNPOISON(aBlock->Slots, sizeof aBlock->Slots);
    delete aBlock;
  }
}

// The allocating thread lets go of its block: what remains counts only the live members.
void RetireBlock(TMemberBlock* aBlock) noexcept {
  ReleaseBlock(aBlock, kBias - aBlock->Used);
}

struct TMemberArena {
  TMemberBlock* Current = nullptr;
  ~TMemberArena() {
    if (Current) RetireBlock(Current);
    Current = nullptr;
  }
};

thread_local TMemberArena tArena;

} // namespace

void* TozkObjectJSON::operator new(size_t aSize) {
  if (aSize != sizeof(TozkObjectJSON)) throw std::bad_alloc();
  TMemberBlock* block = tArena.Current;
  if (!block || block->Used == kSlotsPerBlock) {
    if (block && block->Counter.load(std::memory_order_acquire) == kBias - block->Used) {
      // Every member handed out has been freed, and no other thread can touch the counter
      // until a new member is handed out: start over.
      block->Counter.store(kBias, std::memory_order_relaxed);
      block->Used = 0;
    } else {
      auto* fresh = new TMemberBlock;
      OZK_POISON(fresh->Slots, sizeof fresh->Slots);
      if (block) RetireBlock(block);
      tArena.Current = block = fresh;
    }
  }
  unsigned char* slot = block->Slots + block->Used++ * kSlotSize;
  OZK_UNPOISON(slot, kSlotSize);
  *reinterpret_cast<TMemberBlock**>(slot) = block;
  return slot + kHeader;
}

void TozkObjectJSON::operator delete(void* aPointer) noexcept {
  if (!aPointer) return;
  unsigned char* slot = static_cast<unsigned char*>(aPointer) - kHeader;
  TMemberBlock* block = *reinterpret_cast<TMemberBlock**>(slot);
  OZK_POISON(slot, kSlotSize);
  ReleaseBlock(block, 1);
}

void TozkObjectJSON::DeleteMany(std::vector<std::unique_ptr<TozkObjectJSON>>& aList) noexcept {
  TMemberBlock* run = nullptr;
  size_t count = 0;
  for (auto& owner : aList) {
    TozkObjectJSON* member = owner.release();
    if (!member) continue;
    member->~TozkObjectJSON();
    unsigned char* slot = reinterpret_cast<unsigned char*>(member) - kHeader;
    TMemberBlock* block = *reinterpret_cast<TMemberBlock**>(slot);
    OZK_POISON(slot, kSlotSize);
    // The members not yet counted off keep their block alive until the run is settled.
    if (block != run) {
      if (run) ReleaseBlock(run, count);
      run = block;
      count = 0;
    }
    ++count;
  }
  if (run) ReleaseBlock(run, count);
  aList.clear();
}
