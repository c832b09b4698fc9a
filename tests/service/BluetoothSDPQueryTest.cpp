// The SDP query against a scripted SDP server on the other end of a socket
// pair, both served by the main context: an answer in several packets, and
// servers that refuse, lie, close, loop or stay silent. Then the addresses
// the real query refuses.
#include <glib-unix.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SDPTestBytes.h"
#include "service/platform/bluetooth/SDPQuery.h"

namespace wendlock {
namespace {

using namespace sdpbytes;

// Answers the request with the given index; nullopt closes the connection,
// an empty packet sends nothing.
using Reply = std::function<std::optional<Bytes>(const Bytes& request, int index)>;

// A ServiceSearchAttributeResponse to `request`.
Bytes response(const Bytes& request, const Bytes& lists, const Bytes& state = {}) {
  const std::size_t parameters = 2 + lists.size() + 1 + state.size();
  return cat({{0x07, request[1], request[2], static_cast<std::uint8_t>(parameters >> 8),
               static_cast<std::uint8_t>(parameters), static_cast<std::uint8_t>(lists.size() >> 8),
               static_cast<std::uint8_t>(lists.size())},
              lists,
              {static_cast<std::uint8_t>(state.size())},
              state});
}
Reply answer(const Bytes& lists, const Bytes& state = {}) {
  return [=](const Bytes& r, int) { return response(r, lists, state); };
}
// `packet` with the request's transaction ID.
Reply raw(Bytes packet) {
  return [=](const Bytes& r, int) {
    return cat({{packet[0], r[1], r[2]}, {packet.begin() + 3, packet.end()}});
  };
}

struct ScriptedSDPServer {
  int fd;
  Reply reply;
  std::vector<Bytes> requests;

  static gboolean onRequest(gint fd, GIOCondition, gpointer data) {
    auto* self = static_cast<ScriptedSDPServer*>(data);
    Bytes request(1024);
    const ssize_t n = recv(fd, request.data(), request.size(), MSG_DONTWAIT);
    if (n <= 0) return G_SOURCE_CONTINUE;
    request.resize(static_cast<std::size_t>(n));
    self->requests.push_back(request);
    const std::optional<Bytes> answer = self->reply(request, int(self->requests.size()) - 1);
    if (!answer) {
      ::close(self->fd);
      self->fd = -1;
      return G_SOURCE_REMOVE;
    }
    if (!answer->empty()) {
      EXPECT_EQ(send(fd, answer->data(), answer->size(), 0), ssize_t(answer->size()));
    }
    return G_SOURCE_CONTINUE;
  }
};

// Runs one query against a server answering with `reply`; the requests it
// saw in *requests.
OBEXError query(Reply reply, std::uint8_t* channel, std::vector<Bytes>* requests = nullptr,
                unsigned timeout = 5000) {
  int pair[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
  ScriptedSDPServer server{pair[1], std::move(reply), {}};
  const guint watch = g_unix_fd_add(server.fd, G_IO_IN, &ScriptedSDPServer::onRequest, &server);
  const OBEXError result = queryObjectPushChannel(sdp_create(pair[0], 0), channel, timeout);
  if (server.fd >= 0) {
    g_source_remove(watch);
    ::close(server.fd);
  }
  if (requests != nullptr) *requests = server.requests;
  return result;
}

const Bytes kLists = seq({record(seq({uuid16(0x1106)}), stack(10)), oppRecord(12)});

TEST(BluetoothSDPQuery, AsksForTheChannelAndJoinsAnAnswerInSeveralPackets) {
  const Bytes state = {0x03, 0xAA, 0xBB};
  const auto half = kLists.begin() + static_cast<std::ptrdiff_t>(kLists.size() / 2);
  std::uint8_t channel = 0;
  std::vector<Bytes> requests;
  EXPECT_EQ(query(
                [&](const Bytes& r, int index) {
                  return index == 0 ? response(r, Bytes(kLists.begin(), half), state)
                                    : response(r, Bytes(half, kLists.end()));
                },
                &channel, &requests),
            kOBEXSuccess);
  EXPECT_EQ(channel, 12);
  ASSERT_EQ(requests.size(), 2u);
  // A ServiceSearchAttributeRequest for Object Push, attributes 1 and 4.
  const Bytes& first = requests[0];
  EXPECT_EQ(first[0], 0x06);
  for (const Bytes& part : {uuid16(0x1105), cat({u16(0x0001), u16(0x0004)})}) {
    EXPECT_NE(std::ranges::search(first, part).begin(), first.end());
  }
  // The second request ends in the server's continuation state, after its length.
  EXPECT_EQ(Bytes(requests[1].end() - 4, requests[1].end()), (Bytes{3, 0x03, 0xAA, 0xBB}));
}

// Which records count is the record parser's test; here, what reaches it.
TEST(BluetoothSDPQuery, FailuresAreResults) {
  struct Case {
    const char* what;
    Reply reply;
    OBEXError result;
    unsigned timeout = 5000;
  };
  const Case cases[] = {
      {"no Object Push record", answer(seq({record(seq({uuid16(0x1106)}), stack(10))})),
       kOBEXUnsupportedError},
      {"error response", raw({0x01, 0, 0, 0x00, 0x02, 0x00, 0x03}), kOBEXSessionNoTransportError},
      {"count beyond the packet", raw({0x07, 0, 0, 0x00, 0x05, 0xFF, 0xF9, 0x35, 0x00, 0x00}),
       kOBEXSessionNoTransportError},
      {"another transaction",
       [](const Bytes& r, int) {
         return response({0x06, r[1], uint8_t(r[2] ^ 0xFF)}, kLists);
       },
       kOBEXSessionNoTransportError},
      {"closes", [](const Bytes&, int) { return std::optional<Bytes>(); },
       kOBEXSessionNoTransportError},
      {"more to come, for ever", answer({0x35}, {0x01, 0x07}), kOBEXSessionNoTransportError},
      {"silent", [](const Bytes&, int) { return Bytes(); }, kOBEXSessionNoTransportError, 50},
  };
  for (const Case& c : cases) {
    std::uint8_t channel = 99;
    EXPECT_EQ(query(c.reply, &channel, nullptr, c.timeout), c.result) << c.what;
    EXPECT_EQ(channel, 0) << c.what;
  }
}

TEST(BluetoothSDPQuery, BadArguments) {
  EXPECT_EQ(queryObjectPushChannel(nullptr, nullptr, 10), kOBEXBadArgumentError);
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
  EXPECT_EQ(queryObjectPushChannel(sdp_create(pair[0], 0), nullptr, 10), kOBEXBadArgumentError);
  ::close(pair[1]);

  std::uint8_t channel = 99;
  for (const char* address :
       {"", "00:1A:7D:DA:71", "0G:1A:7D:DA:71:13", "00:00:00:00:00:00", "FF:FF:FF:00:00:00"}) {
    EXPECT_EQ(findObjectPushChannel(address, &channel), kOBEXBadArgumentError) << address;
    EXPECT_EQ(channel, 0) << address;
  }
  EXPECT_EQ(findObjectPushChannel("00:1A:7D:DA:71:13", nullptr), kOBEXBadArgumentError);
}

}  // namespace
}  // namespace wendlock
