#include "support/Date.h"

#include "support/Clock.h"

namespace orvin {

Date Date::now() noexcept {
  return Date(currentAbsoluteTime());
}

Date Date::dateWithTimeIntervalSinceNow(NSTimeInterval seconds) noexcept {
  return Date(currentAbsoluteTime() + seconds);
}

NSTimeInterval Date::timeIntervalSinceNow() const noexcept {
  return seconds_ - currentAbsoluteTime();
}

}  // namespace orvin
