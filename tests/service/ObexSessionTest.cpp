// The OBEX session against a scripted server on 127.0.0.1, both driven by
// the main context: answers, refusals, and servers that close, lie, babble
// or stay silent.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <functional>
#include <tuple>
#include <vector>

#include "ScriptedObexServer.h"
#include "ServiceTestSupport.h"
#include "service/obex/OBEXSession.h"

namespace wendlock {
namespace {

using testkit::Bytes;
using testkit::connectReply;
using testkit::kSuccess;
using testkit::ScriptedServer;

class ObexSession : public ::testing::Test {
 protected:
  void SetUp() override { restart(); }
  void TearDown() override {
    restart();
    server_.reset();
    testkit::drain();
  }
  // A new server and no session, for the next case of a table.
  void restart() {
    EXPECT_EQ(session_ ? OBEXSessionDelete(session_) : kOBEXSuccess, kOBEXSuccess);
    session_ = nullptr;
    events_.clear();
    onEvent_ = nullptr;
    server_ = std::make_unique<ScriptedServer>();
  }

  static void record(const OBEXSessionEvent* event) {
    auto* self = static_cast<ObexSession*>(event->userRef);
    self->events_.push_back(*event);
    self->events_.back().headers = {};
    if (self->onEvent_) self->onEvent_(*event);
  }
  bool runUntilEvents(std::size_t n) {
    return testkit::runUntil([&] { return events_.size() >= n; });
  }
  bool runUntilClosed() {
    return testkit::runUntil([&] { return !server_->connected(); });
  }

  // Makes a session with the server (or `port`) and sends Connect.
  OBEXError startConnect(std::uint16_t port = 0) {
    EXPECT_EQ(OBEXSessionCreateWithTCP("127.0.0.1", port ? port : server_->port(), &session_),
              kOBEXSuccess);
    return connectRequest();
  }
  OBEXError connectRequest(OBEXMaxPacketLength ours = 512, const Bytes& headers = {}) {
    return OBEXSessionConnect(session_, 0, ours, headers.data(), headers.size(), record, this);
  }
  // Connected with the server announcing 1024; no event left behind.
  void connect() {
    server_->then(connectReply(1024));
    ASSERT_EQ(startConnect(), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(1));
    ASSERT_EQ(events_[0].responseCode, 0xA0);
    events_.clear();
  }
  OBEXError put(bool final, const Bytes& headers, const Bytes& body) {
    return OBEXSessionPut(session_, final, headers.data(), headers.size(), body.data(), body.size(),
                          record, this);
  }
  OBEXError disconnect() { return OBEXSessionDisconnect(session_, nullptr, 0, record, this); }
  const OBEXSessionEvent& event(std::size_t i) const { return events_.at(i); }

  std::unique_ptr<ScriptedServer> server_;
  OBEXSessionRef session_ = nullptr;
  std::vector<OBEXSessionEvent> events_;
  std::function<void(const OBEXSessionEvent&)> onEvent_;
};

// Each answer to Connect, and what the session allows after it. The
// outcome comes as the connect event, never from the call. (The send
// service's test has a smaller server length and a refusal with the fields.)
TEST_F(ObexSession, ConnectOutcomes) {
  const std::uint16_t closedPort = ScriptedServer().port();
  struct Case {
    const char* what;
    std::optional<Bytes> reply;  // nullopt: nobody listens
    std::uint8_t code;
    OBEXError status;
    int negotiated = 0;  // 0: not connected
  };
  const Case cases[] = {
      {"accepted", connectReply(1024), 0xA0, kOBEXSuccess, 512},
      {"refused", Bytes{0xC3, 0x00, 0x03}, 0xC3, kOBEXSuccess},
      {"below OBEX's least length", connectReply(16), 0, kOBEXSessionBadResponseError},
      {"nobody listening", std::nullopt, 0, kOBEXSessionNoTransportError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    if (c.reply) server_->then(*c.reply);
    ASSERT_EQ(startConnect(c.reply ? 0 : closedPort), kOBEXSuccess);
    EXPECT_TRUE(events_.empty());
    ASSERT_TRUE(runUntilEvents(1));
    EXPECT_EQ(event(0).responseCode, c.code);
    EXPECT_EQ(event(0).status, c.status);
    OBEXMaxPacketLength length = 0;
    EXPECT_EQ(OBEXSessionGetMaxPacketLength(session_, &length),
              c.negotiated ? kOBEXSuccess : kOBEXSessionNotConnectedError);
    if (c.status != kOBEXSuccess) {
      // Nothing was ever connected, so there is nothing to disconnect.
      EXPECT_EQ(disconnect(), kOBEXSessionNotConnectedError);
      EXPECT_EQ(connectRequest(), kOBEXSessionTransportDiedError);
    } else if (!c.negotiated) {
      EXPECT_EQ(put(true, {}, {}), kOBEXSessionNotConnectedError);
      // Nothing to end on the wire, but the caller hears the end.
      ASSERT_EQ(disconnect(), kOBEXSuccess);
      EXPECT_EQ(events_.size(), 1u);
      ASSERT_TRUE(runUntilEvents(2));
      EXPECT_EQ(event(1).responseCode, kOBEXResponseCodeNone);
      EXPECT_EQ(event(1).status, kOBEXSessionNotConnectedError);
      EXPECT_TRUE(runUntilClosed());
      EXPECT_EQ(server_->requests.size(), 1u);
    } else {
      EXPECT_EQ(length, c.negotiated);
      EXPECT_EQ(connectRequest(), kOBEXSessionAlreadyConnectedError);
      EXPECT_EQ(OBEXSessionGetAvailableCommandPayloadLength(session_, 0x81, &length), kOBEXSuccess);
      EXPECT_EQ(length, c.negotiated - 3);
      EXPECT_EQ(OBEXSessionGetAvailableCommandPayloadLength(session_, 0x03, &length),
                kOBEXUnsupportedError);
      EXPECT_EQ(OBEXSessionGetAvailableCommandPayloadLength(session_, 0x02, &length), kOBEXSuccess);
      EXPECT_EQ(length, c.negotiated - 6);
      // The Put payload room is exact: a body of that size fills one packet.
      EXPECT_EQ(put(true, {}, Bytes(length + 1, 'x')), kOBEXBadArgumentError);
      server_->then(kSuccess);
      ASSERT_EQ(put(true, {}, Bytes(length, 'x')), kOBEXSuccess);
      ASSERT_TRUE(runUntilEvents(2));
      EXPECT_EQ(server_->requests.at(1).size(), c.negotiated);
    }
  }
}

// What the parser refuses is the codec's test; here, that each way a server
// breaks ends the request with an event and closes the transport for good.
TEST_F(ObexSession, BrokenServersEndTheRequestWithAnError) {
  Bytes oversize(600, 0);
  oversize[0] = 0xA0, oversize[1] = 0x02, oversize[2] = 0x58;
  const std::tuple<const char*, ScriptedServer::Step, OBEXError> cases[] = {
      {"closes", {{}, true}, kOBEXSessionTransportDiedError},
      {"babbles", {{'H', 'T', 'T', 'P', '/', '1', '.', '0'}}, kOBEXSessionBadResponseError},
      {"longer than we allow", {oversize}, kOBEXSessionBadResponseError},
      {"two answers", {{0xA0, 0x00, 0x03, 0xA0, 0x00, 0x03}}, kOBEXSessionBadResponseError},
  };
  for (const auto& [what, step, status] : cases) {
    SCOPED_TRACE(what);
    restart();
    connect();
    server_->then(step.reply, step.closeAfter);
    ASSERT_EQ(put(false, {}, Bytes(100, 'b')), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(1));
    EXPECT_EQ(event(0).responseCode, kOBEXResponseCodeNone);
    EXPECT_EQ(event(0).status, status);
    EXPECT_EQ(put(true, {}, {}), kOBEXSessionTransportDiedError);
    ASSERT_EQ(disconnect(), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(2));
    EXPECT_EQ(event(1).status, kOBEXSessionTransportDiedError);
  }
  // Bytes that answer no request close the session too.
  restart();
  connect();
  server_->push(kSuccess);
  ASSERT_TRUE(runUntilClosed());
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionTransportDiedError);
}

TEST_F(ObexSession, DeleteIsSafeWithARequestPendingAndInsideTheCallback) {
  // A silent server: no event, ever, once deleted.
  connect();
  ASSERT_EQ(put(true, {}, {'x'}), kOBEXSuccess);
  ASSERT_TRUE(testkit::runUntil([&] { return server_->requests.size() == 2; }));
  testkit::drain();
  EXPECT_TRUE(events_.empty());
  // One request at a time.
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionBusyError);
  EXPECT_EQ(disconnect(), kOBEXSessionBusyError);
  EXPECT_EQ(connectRequest(), kOBEXSessionBusyError);
  EXPECT_EQ(OBEXSessionDelete(session_), kOBEXSuccess);
  session_ = nullptr;
  EXPECT_TRUE(runUntilClosed());
  testkit::drain();
  EXPECT_TRUE(events_.empty());

  // A second answer behind the first must not reach anyone.
  restart();
  connect();
  onEvent_ = [&](const OBEXSessionEvent& e) {
    EXPECT_EQ(OBEXSessionDelete(e.session), kOBEXSuccess);
    session_ = nullptr;
  };
  server_->then({0xA0, 0x00, 0x03, 0xA0, 0x00, 0x03});
  ASSERT_EQ(put(true, {}, {'x'}), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_TRUE(runUntilClosed());
  testkit::drain();
  EXPECT_EQ(events_.size(), 1u);
}

TEST_F(ObexSession, AdoptedSocketAndBadArguments) {
  // The Bluetooth layer hands over a connected socket; a socket pair stands in.
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
  server_->adopt(pair[1]);
  ASSERT_EQ(
      OBEXSessionCreateWithTransport(std::make_unique<OBEXSocketTransport>(pair[0]), &session_),
      kOBEXSuccess);
  OBEXMaxPacketLength length = 0;
  EXPECT_EQ(disconnect(), kOBEXSessionNotConnectedError);  // nothing asked yet
  EXPECT_EQ(connectRequest(254), kOBEXBadArgumentError);
  const Bytes truncated = {0x42, 0x00, 0x09, 'x'};
  EXPECT_EQ(connectRequest(512, truncated), kOBEXBadArgumentError);

  server_->then(connectReply(0x2000));
  ASSERT_EQ(connectRequest(0x1000), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_EQ(event(0).responseCode, 0xA0);
  EXPECT_EQ(OBEXSessionGetMaxPacketLength(session_, &length), kOBEXSuccess);
  EXPECT_EQ(length, 0x1000);
  EXPECT_EQ(put(true, truncated, {}), kOBEXBadArgumentError);
  server_->then(kSuccess);
  ASSERT_EQ(disconnect(), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(2));
  EXPECT_EQ(event(1).responseCode, 0xA0);
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionNotConnectedError);

  OBEXSessionRef none = nullptr;
  EXPECT_EQ(OBEXSessionCreateWithTCP("example.org", 650, &none), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXSessionCreateWithTCP("127.0.0.1", 0, &none), kOBEXBadArgumentError);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace wendlock
