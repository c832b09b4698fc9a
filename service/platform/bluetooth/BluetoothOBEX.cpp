#include "service/platform/bluetooth/BluetoothOBEX.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/rfcomm.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

#include "service/platform/bluetooth/SDPQuery.h"
#include "service/platform/bluetooth/SDPRecord.h"

namespace wendlock {

int connectRFCOMMSocket(std::string_view address, std::uint8_t channel) {
  sockaddr_rc target{};
  if (!parseRemoteAddress(address, &target.rc_bdaddr) || channel < kRFCOMMChannelFirst ||
      channel > kRFCOMMChannelLast) {
    errno = EINVAL;
    return -1;
  }
  target.rc_family = AF_BLUETOOTH;
  target.rc_channel = channel;
  const int fd = socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_RFCOMM);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 ||
      errno == EINPROGRESS) {
    return fd;
  }
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}

OBEXError createBluetoothObexSession(const ServiceRecord& record, OBEXSessionRef* session) {
  if (session == nullptr) return kOBEXBadArgumentError;
  *session = nullptr;
  bdaddr_t address;
  if (record.kind != ServiceRecord::Kind::Bluetooth ||
      !parseRemoteAddress(record.address, &address) || record.channel > kRFCOMMChannelLast) {
    return kOBEXBadArgumentError;
  }
  std::uint8_t channel = record.channel;
  if (channel == 0) {
    const OBEXError found = findObjectPushChannel(record.address, &channel);
    if (found != kOBEXSuccess) return found;
  }
  const int fd = connectRFCOMMSocket(record.address, channel);
  if (fd < 0) return kOBEXSessionNoTransportError;
  std::unique_ptr<OBEXTransport> transport(new (std::nothrow) OBEXSocketTransport(fd));
  if (!transport) {
    ::close(fd);
    return kOBEXNoResourcesError;
  }
  return OBEXSessionCreateWithTransport(std::move(transport), session);
}

}  // namespace wendlock
