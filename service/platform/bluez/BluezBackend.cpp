// Registers BlueZ as where the device browser finds devices: called by the
// BlueZ module when the browser loads it, or by a program that links BlueZ
// in.
#include "service/platform/DeviceBrowser.h"
#include "service/platform/bluez/BluezDeviceSource.h"

namespace wendlock {

void registerBluezDeviceSource() {
  setBluetoothDeviceSourceFactory([] { return std::make_unique<BluezDeviceSource>(); });
}

}  // namespace wendlock
