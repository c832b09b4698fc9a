// The SDP query against a scripted SDP server on the other end of a socket
// pair, both served by one private main context: answers in one or more
// packets, refusals, and servers that lie, close, loop or stay silent. Then
// the real thing, which here has no Bluetooth to reach.
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

// Answers each request with what `reply` makes of it; nullopt closes the
// connection, an empty packet sends nothing.
using Reply = std::function<std::optional<Bytes>(const Bytes& request, int index)>;

Bytes searchAttributeResponse(const Bytes& request, const Bytes& lists, const Bytes& state) {
  const std::size_t parameters = 2 + lists.size() + 1 + state.size();
  // Reserved up front: GCC 12 at -O3 misreads an insert after a braced
  // initialisation as out of bounds.
  Bytes out;
  out.reserve(5 + parameters);
  for (const std::uint8_t b :
       {std::uint8_t{0x07}, request[1], request[2], static_cast<std::uint8_t>(parameters >> 8),
        static_cast<std::uint8_t>(parameters), static_cast<std::uint8_t>(lists.size() >> 8),
        static_cast<std::uint8_t>(lists.size())}) {
    out.push_back(b);
  }
  out.insert(out.end(), lists.begin(), lists.end());
  out.push_back(static_cast<std::uint8_t>(state.size()));
  out.insert(out.end(), state.begin(), state.end());
  return out;
}

struct ScriptedSDPServer {
  int fd = -1;
  Reply reply;
  std::vector<Bytes> requests;
  GSource* source = nullptr;

  static gboolean onRequest(gint fd, GIOCondition, gpointer data) {
    auto* self = static_cast<ScriptedSDPServer*>(data);
    Bytes request(1024);
    const ssize_t n = recv(fd, request.data(), request.size(), MSG_DONTWAIT);
    if (n <= 0) return G_SOURCE_CONTINUE;
    request.resize(static_cast<std::size_t>(n));
    self->requests.push_back(request);
    const std::optional<Bytes> answer =
        self->reply(request, static_cast<int>(self->requests.size()) - 1);
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

class BluetoothSDPQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
  }
  void TearDown() override {
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }

  // Runs one query against a server answering with `reply`.
  OBEXError query(Reply reply, std::uint8_t* channel, std::vector<Bytes>* requests = nullptr,
                  unsigned timeout = 5000) {
    int pair[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    ScriptedSDPServer server;
    server.fd = pair[1];
    server.reply = std::move(reply);
    server.source = g_unix_fd_source_new(server.fd, G_IO_IN);
    g_source_set_callback(server.source, G_SOURCE_FUNC(ScriptedSDPServer::onRequest), &server,
                          nullptr);
    g_source_attach(server.source, context_);
    const OBEXError result = queryObjectPushChannel(sdp_create(pair[0], 0), channel, timeout);
    g_source_destroy(server.source);
    g_source_unref(server.source);
    if (server.fd >= 0) ::close(server.fd);
    if (requests != nullptr) *requests = server.requests;
    return result;
  }

  GMainContext* context_ = nullptr;
};

const Bytes kLists = seq({record(seq({uuid16(0x1106)}), stack(10)), oppRecord(12)});

TEST_F(BluetoothSDPQuery, AsksForTheObjectPushChannel) {
  std::uint8_t channel = 0;
  std::vector<Bytes> requests;
  EXPECT_EQ(query([](const Bytes& r, int) { return searchAttributeResponse(r, kLists, {}); },
                  &channel, &requests),
            kOBEXSuccess);
  EXPECT_EQ(channel, 12);
  ASSERT_EQ(requests.size(), 1u);
  const Bytes& request = requests[0];
  EXPECT_EQ(request[0], 0x06);  // ServiceSearchAttributeRequest
  const Bytes objectPush = uuid16(0x1105);
  const Bytes attributes = cat({u16(0x0001), u16(0x0004)});
  EXPECT_NE(std::search(request.begin(), request.end(), objectPush.begin(), objectPush.end()),
            request.end());
  EXPECT_NE(std::search(request.begin(), request.end(), attributes.begin(), attributes.end()),
            request.end());
}

TEST_F(BluetoothSDPQuery, JoinsAnAnswerInSeveralPackets) {
  const Bytes state = {0x03, 0xAA, 0xBB};
  const std::size_t half = kLists.size() / 2;
  const Bytes first(kLists.begin(), kLists.begin() + static_cast<std::ptrdiff_t>(half));
  const Bytes second(kLists.begin() + static_cast<std::ptrdiff_t>(half), kLists.end());
  std::uint8_t channel = 0;
  std::vector<Bytes> requests;
  EXPECT_EQ(query(
                [&](const Bytes& r, int index) {
                  return index == 0 ? searchAttributeResponse(r, first, state)
                                    : searchAttributeResponse(r, second, {});
                },
                &channel, &requests),
            kOBEXSuccess);
  EXPECT_EQ(channel, 12);
  ASSERT_EQ(requests.size(), 2u);
  // The second request hands the server's continuation state back.
  const Bytes echoed = cat({{static_cast<std::uint8_t>(state.size())}, state});
  EXPECT_TRUE(std::equal(echoed.rbegin(), echoed.rend(), requests[1].rbegin()));
}

TEST_F(BluetoothSDPQuery, FailuresAreResults) {
  struct Case {
    const char* what;
    Reply reply;
    OBEXError result;
    unsigned timeout = 5000;
  };
  const Case cases[] = {
      {"no Object Push record",
       [](const Bytes& r, int) {
         return searchAttributeResponse(r, seq({record(seq({uuid16(0x1106)}), stack(10))}), {});
       },
       kOBEXUnsupportedError},
      {"no records at all",
       [](const Bytes& r, int) { return searchAttributeResponse(r, seq({}), {}); },
       kOBEXUnsupportedError},
      {"malformed records",
       [](const Bytes& r, int) {
         return searchAttributeResponse(r, {0x35, 0x40, 0x35}, {});
       },
       kOBEXUnsupportedError},
      {"error response",
       [](const Bytes& r, int) { return Bytes{0x01, r[1], r[2], 0x00, 0x02, 0x00, 0x03}; },
       kOBEXSessionNoTransportError},
      {"service-search response with counts far beyond the packet",
       [](const Bytes& r, int) {
         return Bytes{0x03, r[1], r[2], 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
       },
       kOBEXSessionNoTransportError},
      {"attribute count beyond the packet",
       [](const Bytes& r, int) {
         return Bytes{0x07, r[1], r[2], 0x00, 0x05, 0xFF, 0xF9, 0x35, 0x00, 0x00};
       },
       kOBEXSessionNoTransportError},
      {"another transaction",
       [](const Bytes& r, int) {
         Bytes answer = searchAttributeResponse(r, kLists, {});
         answer[2] ^= 0xFF;
         return answer;
       },
       kOBEXSessionNoTransportError},
      {"closes without answering", [](const Bytes&, int) { return std::optional<Bytes>(); },
       kOBEXSessionNoTransportError},
      {"more to come, for ever",
       [](const Bytes& r, int) {
         return searchAttributeResponse(r, {0x35}, {0x01, 0x07});
       },
       kOBEXSessionNoTransportError},
      {"silent", [](const Bytes&, int) { return Bytes(); }, kOBEXSessionNoTransportError, 50},
  };
  for (const Case& c : cases) {
    std::uint8_t channel = 99;
    EXPECT_EQ(query(c.reply, &channel, nullptr, c.timeout), c.result) << c.what;
    EXPECT_EQ(channel, 0) << c.what;
  }
}

TEST_F(BluetoothSDPQuery, BadArguments) {
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

TEST_F(BluetoothSDPQuery, WithoutBluetoothTheDeviceCannotBeAsked) {
  const int probe = socket(AF_BLUETOOTH, SOCK_SEQPACKET, BTPROTO_L2CAP);
  if (probe >= 0) {
    ::close(probe);
    GTEST_SKIP() << "this machine has Bluetooth; the query would page a real address";
  }
  std::uint8_t channel = 99;
  EXPECT_EQ(findObjectPushChannel("00:1a:7d:da:71:13", &channel, 1000),
            kOBEXSessionNoTransportError);
  EXPECT_EQ(channel, 0);
}

}  // namespace
}  // namespace wendlock
