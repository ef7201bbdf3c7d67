#pragma once
// Names looked up with ASCII letter case ignored: the members a game lists, a DAT's games, a
// folder's entries, the catalogue's companies. The table holds one slot per distinct folded name;
// entries whose names fold alike are chained behind the first of them, in the order they were
// added. A name listed a hundred thousand times is one slot and one chain, so adding and finding
// cost the same whatever the duplicates, and a caller walks a chain only when it wants all of it.
//
// The index keeps no names: each call takes `key(i)`, the name of entry i, from the caller's own
// storage, which must not change while the index is used.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fileio/Text.h"

class TFoldedIndex {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  void Clear() {
    FSlots.clear();
    FNext.clear();
    FLast.clear();
    FGroups = 0;
  }
  std::size_t Size() const { return FNext.size(); }

  // Adds the next entry (its index is Size() before the call), named key(index). True when it
  // starts a group of its own, false when an earlier entry's name folds alike.
  template <class Key>
  bool Add(Key&& key) {
    const auto i = static_cast<uint32_t>(FNext.size());
    const std::string_view name = key(i);
    FNext.push_back(kNone);
    FLast.push_back(i);
    if (2 * (FGroups + 1) > FSlots.size()) Grow(key);
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t slot = HashSlot(FoldedHash(name), FSlots.size());; slot = (slot + 1) & mask) {
      const uint32_t head = FSlots[slot];
      if (head == 0) {
        FSlots[slot] = i + 1;
        ++FGroups;
        return true;
      }
      if (AsciiEqualNoCase(key(head - 1), name)) {
        FNext[FLast[head - 1]] = i;
        FLast[head - 1] = i;
        return false;
      }
    }
  }

  // The first entry whose name folds like `name`, or kNone; Next walks the others.
  template <class Key>
  uint32_t Find(std::string_view name, Key&& key) const {
    if (FSlots.empty()) return kNone;
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t slot = HashSlot(FoldedHash(name), FSlots.size());; slot = (slot + 1) & mask) {
      const uint32_t head = FSlots[slot];
      if (head == 0) return kNone;
      if (AsciiEqualNoCase(key(head - 1), name)) return head - 1;
    }
  }
  // The next entry of i's group, or kNone.
  uint32_t Next(uint32_t i) const { return FNext[i]; }

  // Makes room for `n` entries, so that adding them allocates nothing more.
  void Reserve(std::size_t n) {
    FNext.reserve(n);
    FLast.reserve(n);
  }

 private:
  template <class Key>
  void Grow(Key& key) {
    std::size_t size = 16;
    while (size < 2 * (FGroups + 1)) size *= 2;
    size *= 2;
    std::vector<uint32_t> old;
    old.swap(FSlots);
    FSlots.assign(size, 0);
    const std::size_t mask = size - 1;
    for (const uint32_t head : old) {
      if (head == 0) continue;
      std::size_t slot = HashSlot(FoldedHash(key(head - 1)), size);
      while (FSlots[slot] != 0) slot = (slot + 1) & mask;
      FSlots[slot] = head;
    }
  }

  std::vector<uint32_t> FSlots;  // 1 + the first entry of a group, 0 when empty; a power of 2
  std::vector<uint32_t> FNext;   // per entry: the next of its group
  std::vector<uint32_t> FLast;   // per first entry: the last of its group
  std::size_t FGroups = 0;
};
