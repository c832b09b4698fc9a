// The entry of the BlueZ module, which the device browser loads with GModule
// when it must find devices itself. The module's other symbols come from the
// program that loads it.
#include <string_view>

#include "service/platform/DeviceBrowser.h"
#include "service/platform/bluez/BluezDeviceSource.h"

extern "C" __attribute__((visibility("default"))) void wendlock_register_device_source() {
  wendlock::registerBluezDeviceSource();
}

// The program finds the entry by this name; both sides must agree.
static_assert(std::string_view(wendlock::kDeviceSourceModuleEntry) ==
              "wendlock_register_device_source");
