// String::hash: the code units taken four at a time as 64-bit words, so
// that compact storage, widened in registers, gives the same words as UTF-16
// storage; two independent lanes keep the multiplier busy. Written here
// because no hash at hand reads two unit widths as one text.
#include <cstring>

#include "chars/StandardWalk.h"
#include "chars/String.h"

namespace orvin {
namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

// Four code units as UTF-16 storage holds them, little-endian.
inline std::uint64_t wordAt(const unichar* p) noexcept {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Four bytes of compact storage spread to 16-bit lanes: the same word.
inline std::uint64_t wordAt(const std::uint8_t* p) noexcept {
  std::uint32_t b;
  std::memcpy(&b, p, sizeof b);
  std::uint64_t w = b;
  w = (w | (w << 16)) & 0x0000FFFF0000FFFFull;
  w = (w | (w << 8)) & 0x00FF00FF00FF00FFull;
  return w;
}

inline std::uint64_t absorb(std::uint64_t h, std::uint64_t w) noexcept {
  h ^= w;
  h = (h << 29) | (h >> 35);
  return h * kMultiplier;
}

// The final mix of MurmurHash3, so that every input bit reaches every
// output bit.
inline std::uint64_t finish(std::uint64_t h) noexcept {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

template <class T>
std::uint64_t hashUnits(const T* p, NSUInteger n) noexcept {
  std::uint64_t a = 0x243F6A8885A308D3ull;
  std::uint64_t b = 0x13198A2E03707344ull ^ n;
  NSUInteger i = 0;
  for (; i + 8 <= n; i += 8) {
    a = absorb(a, wordAt(p + i));
    b = absorb(b, wordAt(p + i + 4));
  }
  std::uint64_t tail = 0;
  for (unsigned shift = 0; i < n; ++i, shift += 16) {
    if (shift == 64) {
      a = absorb(a, tail);
      tail = 0;
      shift = 0;
    }
    tail |= static_cast<std::uint64_t>(p[i]) << shift;
  }
  return finish(absorb(a, tail) ^ (b * kMultiplier));
}

}  // namespace

std::size_t String::hash() const noexcept {
  return withDirectUnits(*this, NSRange{0, length()}, [](auto* p, NSUInteger n) {
    return static_cast<std::size_t>(hashUnits(p, n));
  });
}

}  // namespace orvin
