// Process-wide values built on first use: reps, tables, formatters,
// directory slots. Built without a global lock; when two threads race, one
// result wins and the other is discarded. A build that fails (returns null)
// leaves the cache empty, so the next use tries again.
#pragma once

#include <atomic>

namespace orvin {

template <class T>
class LazyCache {
 public:
  using Discard = void (*)(T*);

  constexpr LazyCache() = default;
  LazyCache(const LazyCache&) = delete;
  LazyCache& operator=(const LazyCache&) = delete;

  // Returns the cached value, calling `build` (which returns T* or nullptr)
  // when there is none yet. `discard` frees a value that lost a race.
  //   static LazyCache<Table> cache;
  //   const Table* t = cache.get([] { return makeTable(); }, freeTable);
  template <class Build>
  T* get(Build&& build, Discard discard) {
    T* current = value_.load(std::memory_order_acquire);
    if (current != nullptr) return current;
    T* made = build();
    if (made == nullptr) return nullptr;
    T* expected = nullptr;
    if (value_.compare_exchange_strong(expected, made, std::memory_order_acq_rel,
                                       std::memory_order_acquire)) {
      return made;
    }
    discard(made);
    return expected;
  }

  // The cached value, or nullptr when it has not been built.
  T* peek() const { return value_.load(std::memory_order_acquire); }

 private:
  std::atomic<T*> value_{nullptr};
};

}  // namespace orvin
