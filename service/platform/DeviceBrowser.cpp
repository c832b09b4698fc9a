#include "service/platform/DeviceBrowser.h"

#include "service/platform/FrontEnd.h"

namespace wendlock {
namespace {
std::vector<ServiceRecord>& targets() {
  static std::vector<ServiceRecord> list;
  return list;
}
}  // namespace

void setBrowserTargets(std::vector<ServiceRecord> list) {
  targets() = std::move(list);
}

int IOBluetoothServiceBrowserControllerBrowseDevices(ServiceRecord* record, unsigned /*options*/) {
  if (record == nullptr) return kIOBluetoothUINotAvailableErr;
  const std::vector<ServiceRecord>& offered = targets();
  if (offered.empty()) return kIOBluetoothUINotAvailableErr;
  if (offered.size() == 1) {
    *record = offered.front();
    return kIOBluetoothUISuccess;
  }
  const std::optional<std::size_t> chosen = frontEnd().chooseDevice(offered);
  if (!chosen) return kIOBluetoothUIUserCanceledErr;
  *record = offered[*chosen];
  return kIOBluetoothUISuccess;
}

OBEXError IOBluetoothOBEXSessionCreateWithIOBluetoothSDPServiceRecordRef(
    const ServiceRecord& record, OBEXSessionRef* session) {
  if (session == nullptr) return kOBEXBadArgumentError;
  *session = nullptr;
  if (record.kind == ServiceRecord::Kind::Tcp) {
    return OBEXSessionCreateWithTCP(record.host, record.port, session);
  }
  // RFCOMM arrives with the Bluetooth transport.
  return kOBEXUnsupportedError;
}

}  // namespace wendlock
