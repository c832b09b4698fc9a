// Test hooks of the support layer. Not installed, not exported.
#pragma once

namespace orvin::testhooks {

// Makes currentAbsoluteTime() answer `clock()` until resetClock().
//   static double fake = 1000;
//   testhooks::setClock([] { return fake; });
void setClock(double (*clock)()) noexcept;
void resetClock() noexcept;

// Makes monotonicSeconds() answer `clock()` until resetMonotonicClock().
//   static double fake = 10;
//   testhooks::setMonotonicClock([] { return fake; });
void setMonotonicClock(double (*clock)()) noexcept;
void resetMonotonicClock() noexcept;

}  // namespace orvin::testhooks
