// Registers BlueZ as where the device browser finds devices. Linked in as an
// object, so that registering needs nothing from the generic code.
#include "service/platform/DeviceBrowser.h"
#include "service/platform/bluez/BluezDeviceSource.h"

namespace wendlock {
namespace {

[[maybe_unused]] const bool registered = [] {
  setBluetoothDeviceSourceFactory([] { return std::make_unique<BluezDeviceSource>(); });
  return true;
}();

}  // namespace
}  // namespace wendlock
