#include "service/Lifecycle.h"

#include "chars/PlatformException.h"
#include "service/platform/RunLoop.h"
#include "support/Log.h"

namespace wendlock {

int runServicesProvider(Service& service, ServicesProvider& provider,
                        const orvin::String& portName) {
  NSRegisterServicesProvider(&provider, portName);
  int tick = 1;
  try {
    for (;; ++tick) {
      RunLoop::currentRunLoop().runUntilDate(
          orvin::Date::dateWithTimeIntervalSinceNow(kLifecycleTickSeconds));
      if (service.launchedAsApplication()) break;
      if (tick >= kLifecycleMostTicks) break;
    }
  } catch (const orvin::PlatformException& exception) {
    orvin::NSLog(u"%@", {exception});
  }
  NSUnregisterServicesProvider(portName);
  return tick;
}

}  // namespace wendlock
