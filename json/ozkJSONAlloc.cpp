// Storage of document members and of the documents nested in them. A parse allocates one
// member per value and one document per object or array, and the general heap spends more
// time on that (and on freeing them again) than the parser spends reading, so both are carved
// out of blocks (one kind of block per size): each thread bumps through a block of its own,
// and every object records its block so that it can be freed from any thread.
//
// A block's counter starts at a large bias while a thread allocates from it, and every freed
// object takes one off, atomically (an object may be freed on any thread). Handing an object
// out touches only the allocating thread's own count, so allocation needs no atomic
// operation. When the allocating thread moves on, it takes the bias back less the objects it
// handed out; whoever brings the counter to zero frees the block. The allocating thread
// reuses its block from the start once every object in it has been freed.
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
constexpr size_t kSlotsPerBlock = 128;
constexpr size_t kBias = size_t{1} << 40; // far above any count of objects in one block

constexpr size_t SlotSize(size_t aObjectSize) {
  return (kHeader + aObjectSize + 7) & ~size_t{7};
}

// A block of slots for objects of one size (members, or the documents nested in them).
template <size_t TSlot> struct TBlock {
  std::atomic<size_t> Counter{kBias}; // bias (while allocated from) - objects freed
  size_t Used = 0;                    // objects handed out; the allocating thread's own
  alignas(16) unsigned char Slots[kSlotsPerBlock * TSlot];
};

template <size_t TSlot> void ReleaseBlock(TBlock<TSlot>* aBlock, size_t aCount) noexcept {
  if (aBlock->Counter.fetch_sub(aCount, std::memory_order_acq_rel) == aCount) {
    OZK_UNPOISON(aBlock->Slots, sizeof aBlock->Slots);
    delete aBlock;
  }
}

// The allocating thread lets go of its block: what remains counts only the live objects.
template <size_t TSlot> void RetireBlock(TBlock<TSlot>* aBlock) noexcept {
  ReleaseBlock(aBlock, kBias - aBlock->Used);
}

template <size_t TSlot> struct TArena {
  TBlock<TSlot>* Current = nullptr;
  ~TArena() {
    if (Current) RetireBlock(Current);
    Current = nullptr;
  }
};

template <size_t TSlot> TArena<TSlot>& ThreadArena() {
  thread_local TArena<TSlot> arena;
  return arena;
}

template <size_t TSlot> void* Allocate() {
  TArena<TSlot>& arena = ThreadArena<TSlot>();
  TBlock<TSlot>* block = arena.Current;
  if (!block || block->Used == kSlotsPerBlock) [[unlikely]] {
    if (block && block->Counter.load(std::memory_order_acquire) == kBias - block->Used) {
      // Every object handed out has been freed, and no other thread can touch the counter
      // until a new one is handed out: start over.
      block->Counter.store(kBias, std::memory_order_relaxed);
      block->Used = 0;
    } else {
      auto* fresh = new TBlock<TSlot>;
      OZK_POISON(fresh->Slots, sizeof fresh->Slots);
      if (block) RetireBlock(block);
      arena.Current = block = fresh;
    }
  }
  unsigned char* slot = block->Slots + block->Used++ * TSlot;
  OZK_UNPOISON(slot, TSlot);
  *reinterpret_cast<TBlock<TSlot>**>(slot) = block;
  return slot + kHeader;
}

template <size_t TSlot> TBlock<TSlot>* BlockOf(void* aPointer) noexcept {
  unsigned char* slot = static_cast<unsigned char*>(aPointer) - kHeader;
  TBlock<TSlot>* block = *reinterpret_cast<TBlock<TSlot>**>(slot);
  OZK_POISON(slot, TSlot);
  return block;
}

constexpr size_t kMemberSlot = SlotSize(sizeof(TozkObjectJSON));
constexpr size_t kDocumentSlot = SlotSize(sizeof(TozkJSON));

} // namespace

void* TozkObjectJSON::operator new(size_t aSize) {
  if (aSize != sizeof(TozkObjectJSON)) throw std::bad_alloc();
  return Allocate<kMemberSlot>();
}

void TozkObjectJSON::operator delete(void* aPointer) noexcept {
  if (!aPointer) return;
  ReleaseBlock(BlockOf<kMemberSlot>(aPointer), 1);
}

void TozkObjectJSON::DeleteTree(TMemberList& aList) {
  struct TFrame {
    TMemberList List;
    size_t Next;
  };
  std::vector<TFrame> stack;
  stack.reserve(16);
  stack.push_back({std::move(aList), 0});
  aList.clear();
  TBlock<kMemberSlot>* run = nullptr;
  size_t count = 0;
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    if (frame.Next == frame.List.size()) {
      stack.pop_back();
      continue;
    }
    TozkObjectJSON* member = frame.List[frame.Next++].release();
    if (!member) continue;
    // The nested members leave their document first, so the member (and its now empty
    // document) can go at once, before its children: that is document order.
    TMemberList children;
    if (TozkJSON* nested = member->FJSONObject.get()) children.swap(nested->FData);
    member->~TozkObjectJSON();
    TBlock<kMemberSlot>* block = BlockOf<kMemberSlot>(member);
    // The members not yet counted off keep their block alive until the run is settled.
    if (block != run) {
      if (run) ReleaseBlock(run, count);
      run = block;
      count = 0;
    }
    ++count;
    if (!children.empty()) stack.push_back({std::move(children), 0}); // frame is stale now
  }
  if (run) ReleaseBlock(run, count);
}

// A class derived from TozkJSON has another size and lives on the general heap; the sized
// delete (the destructor is virtual, so it gets the size of the object's own class) tells
// the two apart.
void* TozkJSON::operator new(size_t aSize) {
  if (aSize != sizeof(TozkJSON)) return ::operator new(aSize);
  return Allocate<kDocumentSlot>();
}

void TozkJSON::operator delete(void* aPointer, size_t aSize) noexcept {
  if (!aPointer) return;
  if (aSize != sizeof(TozkJSON)) {
    ::operator delete(aPointer);
    return;
  }
  ReleaseBlock(BlockOf<kDocumentSlot>(aPointer), 1);
}
