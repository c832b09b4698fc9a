// OBEX sessions over RFCOMM: what is refused before any socket is made, and
// how the lack of Bluetooth here comes back (a result, never a crash).
#include <bluetooth/bluetooth.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "service/platform/bluetooth/BluetoothOBEX.h"

namespace wendlock {
namespace {

bool haveBluetooth() {
  const int probe = socket(AF_BLUETOOTH, SOCK_STREAM, BTPROTO_RFCOMM);
  if (probe < 0) return false;
  ::close(probe);
  return true;
}

ServiceRecord bluetooth(const char* address, std::uint8_t channel) {
  ServiceRecord r;
  r.kind = ServiceRecord::Kind::Bluetooth;
  r.address = address;
  r.channel = channel;
  return r;
}

TEST(BluetoothOBEX, RefusesWhatNamesNoDeviceChannel) {
  struct Case {
    const char* what;
    ServiceRecord record;
  };
  ServiceRecord tcp;
  tcp.host = "127.0.0.1";
  const Case cases[] = {
      {"a TCP record", tcp},
      {"no address", bluetooth("", 12)},
      {"a short address", bluetooth("00:1A:7D:DA:71", 12)},
      {"any device", bluetooth("00:00:00:00:00:00", 12)},
      {"channel 31", bluetooth("00:1A:7D:DA:71:13", 31)},
      {"channel 255", bluetooth("00:1A:7D:DA:71:13", 255)},
  };
  for (const Case& c : cases) {
    OBEXSessionRef session = reinterpret_cast<OBEXSessionRef>(&tcp);
    EXPECT_EQ(createBluetoothObexSession(c.record, &session), kOBEXBadArgumentError) << c.what;
    EXPECT_EQ(session, nullptr) << c.what;
  }
  EXPECT_EQ(createBluetoothObexSession(bluetooth("00:1A:7D:DA:71:13", 12), nullptr),
            kOBEXBadArgumentError);

  for (std::uint8_t channel : {0, 31}) {
    errno = 0;
    EXPECT_EQ(connectRFCOMMSocket("00:1A:7D:DA:71:13", channel), -1);
    EXPECT_EQ(errno, EINVAL);
  }
  errno = 0;
  EXPECT_EQ(connectRFCOMMSocket("00:1A:7D:DA:71:1x", 12), -1);
  EXPECT_EQ(errno, EINVAL);
}

TEST(BluetoothOBEX, WithoutBluetoothNoSession) {
  if (haveBluetooth()) GTEST_SKIP() << "this machine has Bluetooth; a session would page a device";
  errno = 0;
  EXPECT_EQ(connectRFCOMMSocket("00:1A:7D:DA:71:13", 12), -1);
  EXPECT_NE(errno, 0);
  EXPECT_NE(errno, EINVAL);
  // With a channel and without one (the SDP query fails the same way).
  for (std::uint8_t channel : {12, 0}) {
    OBEXSessionRef session = nullptr;
    EXPECT_EQ(createBluetoothObexSession(bluetooth("00:1A:7D:DA:71:13", channel), &session),
              kOBEXSessionNoTransportError)
        << int(channel);
    EXPECT_EQ(session, nullptr);
  }
}

}  // namespace
}  // namespace wendlock
