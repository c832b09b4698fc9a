// Date: one instant, held as seconds since the platform's reference date,
// 2001-01-01 00:00:00 UTC. A plain value: cheap to copy, compared by instant.
#pragma once

#include <compare>

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Seconds, as the platform counts time spans.
using NSTimeInterval = double;

// Seconds from 1970-01-01 00:00:00 UTC to the reference date.
inline constexpr NSTimeInterval NSTimeIntervalSince1970 = 978307200.0;

class Date {
 public:
  // The reference date itself; use Date::now() for the current instant.
  constexpr Date() noexcept = default;

  // The current instant, read from currentAbsoluteTime() (support/Clock.h).
  [[nodiscard]] static Date now() noexcept;
  //   Date::dateWithTimeIntervalSinceReferenceDate(86400)  // 2001-01-02 00:00:00 UTC
  [[nodiscard]] static constexpr Date dateWithTimeIntervalSinceReferenceDate(
      NSTimeInterval seconds) noexcept {
    return Date(seconds);
  }
  //   Date::dateWithTimeIntervalSince1970(0).timeIntervalSinceReferenceDate()  // -978307200
  [[nodiscard]] static constexpr Date dateWithTimeIntervalSince1970(
      NSTimeInterval seconds) noexcept {
    return Date(seconds - NSTimeIntervalSince1970);
  }
  // `seconds` from now; negative for the past.
  //   Date::dateWithTimeIntervalSinceNow(-60)  // a minute ago
  [[nodiscard]] static Date dateWithTimeIntervalSinceNow(NSTimeInterval seconds) noexcept;

  [[nodiscard]] constexpr NSTimeInterval timeIntervalSinceReferenceDate() const noexcept {
    return seconds_;
  }
  [[nodiscard]] constexpr NSTimeInterval timeIntervalSince1970() const noexcept {
    return seconds_ + NSTimeIntervalSince1970;
  }
  // Seconds from `other` to this date: positive when this date is later.
  [[nodiscard]] constexpr NSTimeInterval timeIntervalSinceDate(const Date& other) const noexcept {
    return seconds_ - other.seconds_;
  }
  // Seconds from now to this date: negative for a date in the past.
  [[nodiscard]] NSTimeInterval timeIntervalSinceNow() const noexcept;
  //   date.dateByAddingTimeInterval(3600)  // an hour later
  [[nodiscard]] constexpr Date dateByAddingTimeInterval(NSTimeInterval seconds) const noexcept {
    return Date(seconds_ + seconds);
  }

  // NSOrderedAscending when this date is earlier than `other`.
  [[nodiscard]] constexpr NSComparisonResult compare(const Date& other) const noexcept {
    if (seconds_ < other.seconds_) return NSOrderedAscending;
    if (seconds_ > other.seconds_) return NSOrderedDescending;
    return NSOrderedSame;
  }
  friend constexpr bool operator==(const Date&, const Date&) noexcept = default;
  friend constexpr std::partial_ordering operator<=>(const Date&, const Date&) noexcept = default;

 private:
  explicit constexpr Date(NSTimeInterval seconds) noexcept : seconds_(seconds) {}

  NSTimeInterval seconds_ = 0;
};

}  // namespace orvin
ORVIN_PUBLIC_END
