// What liborvin exports. The library is built with hidden visibility; each
// public header puts its declarations between ORVIN_PUBLIC_BEGIN and
// ORVIN_PUBLIC_END, so exactly the installed API is visible from the shared
// library and internal helpers and test hooks stay inside it.
#pragma once

#define ORVIN_PUBLIC_BEGIN _Pragma("GCC visibility push(default)")
#define ORVIN_PUBLIC_END _Pragma("GCC visibility pop")

// A friend function declared first inside its class escapes the marks above;
// its declaration carries this instead.
#define ORVIN_EXPORT __attribute__((visibility("default")))
