// The modal device browser and the OBEX session made from its answer.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "service/obex/OBEXSession.h"
#include "service/platform/DeviceSource.h"
#include "service/platform/ServiceRecord.h"

namespace wendlock {

// Browser results, numbered as the platform numbers them.
inline constexpr int kIOBluetoothUISuccess = 0;
inline constexpr int kIOBluetoothUIUserCanceledErr = -1001;
// No way to reach a device (no Bluetooth, nothing named with --to).
inline constexpr int kIOBluetoothUINotAvailableErr = -536870212;
inline constexpr unsigned kIOBluetoothServiceBrowserControllerOptionsAutoStartInquiry = 1;

// The targets named on the command line. With exactly one, the browser
// answers it without asking; with several, the user chooses among them; with
// none, the user chooses among the Bluetooth devices BlueZ finds.
void setBrowserTargets(std::vector<ServiceRecord> targets);

// The Bluetooth backends register themselves here: where the devices come
// from when no target is named, and how a session over Bluetooth is made.
// Without them, only the targets named on the command line are offered and
// a Bluetooth record gives kOBEXSessionNoTransportError.
inline constexpr const char* kDeviceSourceModuleEntry = "wendlock_register_device_source";
using DeviceSourceFactory = std::function<std::unique_ptr<DeviceSource>()>;
using BluetoothSessionFactory =
    std::function<OBEXError(const ServiceRecord& record, OBEXSessionRef* session)>;
// When none is registered, the browser loads the Bluetooth module, whose
// entry (named kDeviceSourceModuleEntry, a void function) registers one.
// Each answers the factory it replaces.
DeviceSourceFactory setBluetoothDeviceSourceFactory(DeviceSourceFactory factory);
BluetoothSessionFactory setBluetoothSessionFactory(BluetoothSessionFactory factory);

// Lets the user choose a service; kIOBluetoothUISuccess with *record set,
// kIOBluetoothUIUserCanceledErr when the user cancels, another non-zero
// value when there is nothing to choose from.
int IOBluetoothServiceBrowserControllerBrowseDevices(ServiceRecord* record, unsigned options);

// An OBEX session to the service `record` names (TCP, or Bluetooth through
// its backend). 0 and a session
// on success.
OBEXError IOBluetoothOBEXSessionCreateWithIOBluetoothSDPServiceRecordRef(
    const ServiceRecord& record, OBEXSessionRef* session);

}  // namespace wendlock
