// Registers RFCOMM (with SDP for the channel) as the transport of Bluetooth
// service records. Linked in as an object, so that registering needs nothing
// from the generic code.
#include "service/platform/DeviceBrowser.h"
#include "service/platform/bluetooth/BluetoothOBEX.h"

namespace wendlock {
namespace {

[[maybe_unused]] const bool registered = [] {
  setBluetoothSessionFactory(createBluetoothObexSession);
  return true;
}();

}  // namespace
}  // namespace wendlock
