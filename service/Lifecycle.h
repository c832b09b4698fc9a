// The process lifecycle around one provider: register it, run the loop in
// one-second ticks (at most 10) asking launchedAsApplication after each,
// log a platform exception that escapes, unregister.
#pragma once

#include "chars/String.h"
#include "service/Service.h"
#include "service/platform/Services.h"

namespace wendlock {

inline constexpr double kLifecycleTickSeconds = 1.0;
inline constexpr int kLifecycleMostTicks = 10;

// Runs the lifecycle; returns the number of ticks run. The provider is both
// the Service asked after each tick and the ServicesProvider registered
// under `portName`.
//   Wendlock provider;
//   runServicesProvider(provider, provider, u"Wendlock");
int runServicesProvider(Service& service, ServicesProvider& provider,
                        const orvin::String& portName);

}  // namespace wendlock
