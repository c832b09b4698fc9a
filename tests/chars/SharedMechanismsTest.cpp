// The standard walk, the work buffer, the inline buffer and the lazy cache:
// every string operation reads through these.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "StorageForms.h"
#include "chars/InlineCharacterBuffer.h"
#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "chars/internal/LazyCache.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::FormTest;

std::u16string letters(std::size_t n) {
  std::u16string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char16_t>(u'a' + i % 26));
  return s;
}

class Walk : public FormTest {};  // the standard walk and the inline buffer

TEST_P(Walk, SeesEveryUnitInOrder) {
  for (std::size_t n : {1u, 255u, 256u, 257u, 1000u}) {
    const std::u16string text = letters(n);
    const std::u16string seen =
        walkCharacters(make(text), std::u16string(u"empty"), std::u16string(u"no memory"),
                       [](const unichar* p, NSUInteger len) { return std::u16string(p, len); });
    EXPECT_EQ(seen, text) << n;
  }
}

// Empty and nil give ifEmpty unscanned; a failed heap buffer gives
// ifNoMemory, but only where a copy is needed: direct storage is scanned in
// place, and compact storage needs the heap above 256 units.
TEST_P(Walk, EmptyAndNoMemoryAnswers) {
  auto scan = [](const unichar*, NSUInteger) { return 1; };
  EXPECT_EQ(walkCharacters(make(u""), 7, 8, scan), 7);
  EXPECT_EQ(walkCharacters(String(), 7, 8, scan), 7);
  const String longText = make(letters(300));
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(walkCharacters(longText, 0, -1, scan), longText.isCompact() ? -1 : 1);
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(walkCharacters(make(letters(256)), 0, -1, scan), 1);
  testhooks::resetWorkAllocationFailures();
}

TEST(WorkMemory, BufferPlacesAndFailureHook) {
  EXPECT_FALSE(WorkBuffer(256).isOnHeap());
  EXPECT_TRUE(WorkBuffer(257).isOnHeap() && WorkBuffer(257).ok());
  EXPECT_FALSE(WorkBuffer(~NSUInteger{0}).ok());
  testhooks::failNextWorkAllocations(2);  // counts down
  EXPECT_EQ(allocateWorkMemory(16), nullptr);
  EXPECT_EQ(allocateZeroedWorkMemory(16), nullptr);
  void* p = allocateWorkMemory(16);
  EXPECT_NE(p, nullptr);
  releaseWorkMemory(p);
}

TEST_P(Walk, InlineBufferReadsAnyOrderAndZeroOutside) {
  const std::u16string text = letters(500);
  const String s = make(text);
  InlineCharacterBuffer in(s);
  // Forward, backward and jumping reads, across window borders.
  for (NSInteger i : {0, 63, 64, 65, 499, 10, 9, 8, 300, 296, 295, 200, 499}) {
    EXPECT_EQ(in.at(i), text[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_EQ(in.at(-1), 0);
  EXPECT_EQ(in.at(500), 0);
  EXPECT_EQ(in.length(), 500);
}

TEST_P(Walk, InlineBufferRangeIsRelative) {
  const String s = make(u"0123456789");
  InlineCharacterBuffer in(s, NSRange{3, 4});
  EXPECT_EQ(in.at(0), u'3');
  EXPECT_EQ(in.at(3), u'6');
  EXPECT_EQ(in.at(4), 0);
  EXPECT_THROW(InlineCharacterBuffer(s, NSRange{8, 3}), PlatformException);
}

INSTANTIATE_FORMS(Walk);

TEST(LazyCache, BuildsOnceRetriesAfterFailure) {
  static LazyCache<int> cache;
  int builds = 0;
  auto failing = [&]() -> int* {
    ++builds;
    return nullptr;
  };
  auto working = [&]() -> int* {
    ++builds;
    return new int(42);
  };
  auto discard = [](int* p) { delete p; };
  EXPECT_EQ(cache.get(failing, discard), nullptr);
  EXPECT_EQ(cache.peek(), nullptr);
  int* first = cache.get(working, discard);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(cache.get(working, discard), first);
  EXPECT_EQ(builds, 2);
}

TEST(LazyCache, RacingThreadsAgreeOnOneValueAndDiscardTheRest) {
  constexpr int kThreads = 8;
  static LazyCache<int> cache;
  static std::atomic<int> discarded{0};
  // Every build waits for all the others, so all of them race to store.
  static std::latch allBuilding(kThreads);
  std::vector<std::thread> threads;
  std::vector<int*> seen(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      seen[static_cast<std::size_t>(t)] = cache.get(
          [t] {
            allBuilding.arrive_and_wait();
            return new int(t);
          },
          [](int* p) {
            ++discarded;
            *p = -1;  // a discarded value that is still handed out shows
            delete p;
          });
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_NE(cache.peek(), nullptr);
  for (int* p : seen) EXPECT_EQ(p, cache.peek());
  EXPECT_EQ(discarded.load(), kThreads - 1);
  EXPECT_GE(*cache.peek(), 0);
  delete cache.peek();
}

}  // namespace
}  // namespace orvin
