// The send service end to end in one process: a real Wendlock provider, the
// scripted OBEX server on 127.0.0.1 served by the same main context, the
// recording front end and virtual time, so the 60-tick time-outs take
// milliseconds.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "ScriptedObexServer.h"
#include "ServiceTestSupport.h"
#include "chars/MutableString.h"
#include "service/Wendlock.h"
#include "service/obex/OBEXCodec.h"
#include "service/platform/DeviceBrowser.h"
#include "support/DateFormatters.h"

namespace wendlock {
namespace {

using orvin::String;
using testkit::Bytes;
using testkit::connectReply;
using testkit::kContinue;
using testkit::kSuccess;
using testkit::ScriptedServer;

constexpr const char* kConnectionFailed = "Wendlock: Connection failed.";
const Bytes kConnectRequest = {0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x00};
const Bytes kDisconnectRequest = {0x81, 0x00, 0x03};

struct Put {
  bool isFinal = false;
  std::vector<std::pair<std::uint8_t, Bytes>> headers;  // all but the body
  Bytes body;
};

Put parsePut(const Bytes& packet) {
  Put put;
  EXPECT_TRUE(packet.at(0) == 0x02 || packet.at(0) == 0x82);
  put.isFinal = packet[0] == 0x82;
  std::vector<OBEXHeader> headers;
  EXPECT_TRUE(OBEXParseHeaders(std::span(packet).subspan(3), &headers));
  for (const OBEXHeader& h : headers) {
    const Bytes value(h.value.begin(), h.value.end());
    if (h.identifier == kOBEXHeaderIDBody || h.identifier == kOBEXHeaderIDEndOfBody) {
      EXPECT_EQ(h.identifier, put.isFinal ? kOBEXHeaderIDEndOfBody : kOBEXHeaderIDBody);
      put.body = value;
    } else {
      put.headers.emplace_back(h.identifier, value);
    }
  }
  return put;
}

ServiceRecord tcpTarget(std::uint16_t port) {
  return *ServiceRecord::parse("tcp:127.0.0.1:" + std::to_string(port));
}

// A port nothing listens on: a server's, once it is gone.
std::uint16_t closedPort() {
  ScriptedServer gone(g_main_context_default());
  return gone.port();
}

class WendlockSend : public testkit::ProcessTest {
 protected:
  void SetUp() override {
    ProcessTest::SetUp();
    server_ = std::make_unique<ScriptedServer>(g_main_context_default());
    setBrowserTargets({tcpTarget(server_->port())});
  }
  void TearDown() override {
    server_.reset();
    ProcessTest::TearDown();
  }

  // The name the provider gives the file when sent now.
  static String expectedName() {
    orvin::MutableString name(orvin::localizedShortDateTimeDescription(orvin::Date::now()));
    name.replaceOccurrencesOfString(u"/", u"-", 0, orvin::NSRange{0, name.length()});
    name.replaceOccurrencesOfString(u":", u"-", 0, orvin::NSRange{0, name.length()});
    name.appendString(u".txt");
    return name;
  }
  // The bytes of the Name, Type and Length headers of the first Put.
  static std::size_t headersLength() {
    OBEXHeaderDictionary d;
    EXPECT_EQ(OBEXAddNameHeader(expectedName(), &d), kOBEXSuccess);
    EXPECT_EQ(OBEXAddTypeHeader(u"text/plain", &d), kOBEXSuccess);
    EXPECT_EQ(OBEXAddLengthHeader(0, &d), kOBEXSuccess);
    return OBEXHeadersToBytes(&d)->size();
  }

  // One request handled by a fresh provider, as the services system sends it.
  void send(orvin::Pasteboard& pasteboard) {
    Wendlock provider;
    String error;
    provider.doSendToService(pasteboard, String(u"user data"), &error);
    EXPECT_EQ(provider.session(), nullptr);
    EXPECT_TRUE(error.isNil());
    // Whatever the end, the connection is closed.
    EXPECT_TRUE(runUntil([&] { return !server_->connected(); }));
  }
  void send(const std::string& text) { send(*testkit::plainPasteboard(text)); }

  std::vector<std::uint8_t> opcodes() const {
    std::vector<std::uint8_t> seen;
    for (const Bytes& r : server_->requests) seen.push_back(r.at(0));
    return seen;
  }

  std::unique_ptr<ScriptedServer> server_;
};

TEST_F(WendlockSend, NoDataShowsTheAlertBeforeTheBrowser) {
  const std::shared_ptr<orvin::Pasteboard> cases[] = {
      testkit::plainPasteboard(""),
      testkit::pasteboardWith({}),
      testkit::pasteboardWith({{orvin::NSTIFFPboardType, "MM*"}}),
      testkit::pasteboardWith({{orvin::NSStringPboardType, std::nullopt}}),
      testkit::pasteboardWith({{orvin::NSRTFPboardType, "bad"}}),
  };
  for (const auto& pasteboard : cases) {
    TearDown();
    SetUp();
    // Two targets: the browser would ask.
    setBrowserTargets({tcpTarget(server_->port()), tcpTarget(1)});
    send(*pasteboard);
    EXPECT_EQ(ui_->alerts, std::vector<std::string>{"Wendlock: No data to send."});
    EXPECT_TRUE(ui_->choosers.empty());
    EXPECT_TRUE(server_->requests.empty());
    EXPECT_EQ(exits_, std::vector<int>{1});
  }
}

TEST_F(WendlockSend, BrowserOutcomes) {
  struct Case {
    const char* what;
    int targets;  // 0: none; 1: a Bluetooth device; 2: two to choose from
    std::optional<std::size_t> choice;
    std::vector<std::string> alerts;
    int status;
    std::vector<std::uint8_t> opcodes;
  };
  const Case cases[] = {
      {"cancelled", 2, std::nullopt, {}, 0, {}},
      {"no targets", 0, std::nullopt, {"Wendlock: Bluetooth not available."}, 1, {}},
      {"no session for the device", 1, std::nullopt, {kConnectionFailed}, 1, {}},
      {"second of two chosen", 2, 1, {}, 0, {0x80, 0x82, 0x81}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.targets == 0) setBrowserTargets({});
    if (c.targets == 1) setBrowserTargets({*ServiceRecord::parse("bt:00:1A:7D:DA:71:13@12")});
    if (c.targets == 2) setBrowserTargets({tcpTarget(closedPort()), tcpTarget(server_->port())});
    ui_->choice = c.choice;
    server_->then(connectReply(1000));
    server_->then(kSuccess);
    server_->then(kSuccess);
    send("hello");
    EXPECT_EQ(ui_->choosers,
              c.targets == 2 ? std::vector<std::size_t>{2} : std::vector<std::size_t>{});
    EXPECT_EQ(ui_->alerts, c.alerts);
    EXPECT_EQ(exits_, std::vector<int>{c.status});
    EXPECT_EQ(opcodes(), c.opcodes);
  }
}

// The negotiated length is the smaller of our 512 and the server's, so a
// server announcing 1000 gives chunks of 256. The whole file must fit one
// Put's payload (length - 6) with its headers, which keeps a push to two
// chunks at most: the first carries the headers.
TEST_F(WendlockSend, DeliversInChunksWithHeadersOnTheFirst) {
  const std::size_t h = headersLength();
  struct Case {
    std::uint16_t serverMax;
    std::size_t length;
    std::vector<std::size_t> chunks;
  };
  const Case cases[] = {
      {1000, 2, {2}},
      {1000, 256 - h, {256 - h}},
      {1000, 257 - h, {256 - h, 1}},
      {1000, 506 - h, {256 - h, 250}},  // the largest text that fits
      {300, 294 - h, {150 - h, 144}},
      {255, 249 - h, {127 - h, 122}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.serverMax << " " << c.length);
    TearDown();
    SetUp();
    std::string text;
    for (std::size_t i = 0; i < c.length; ++i) text.push_back(static_cast<char>('a' + i % 26));
    server_->then(connectReply(c.serverMax));
    for (std::size_t i = 1; i < c.chunks.size(); ++i) server_->then(kContinue);
    server_->then(kSuccess);
    server_->then(kSuccess);
    send(text);

    EXPECT_TRUE(ui_->alerts.empty());
    EXPECT_EQ(exits_, std::vector<int>{0});
    const auto& requests = server_->requests;
    ASSERT_EQ(requests.size(), c.chunks.size() + 2);
    EXPECT_EQ(requests.front(), kConnectRequest);
    EXPECT_EQ(requests.back(), kDisconnectRequest);
    std::string received;
    for (std::size_t i = 0; i < c.chunks.size(); ++i) {
      const Put put = parsePut(requests[i + 1]);
      EXPECT_EQ(put.isFinal, i + 1 == c.chunks.size());
      EXPECT_EQ(put.body.size(), c.chunks[i]);
      EXPECT_EQ(put.headers.size(), i == 0 ? 3u : 0u);
      received.append(put.body.begin(), put.body.end());
    }
    EXPECT_EQ(received, text);
  }
}

TEST_F(WendlockSend, NameTypeAndLengthHeaders) {
  server_->then(connectReply(1000));
  server_->then(kSuccess);
  server_->then(kSuccess);
  // A rich selection goes as its plain characters, in UTF-8.
  const auto pasteboard =
      testkit::pasteboardWith({{orvin::NSRTFPboardType, "{\\rtf1 Gr\\'fc\\'dfe \\u8364?}"},
                               {orvin::NSStringPboardType, "plain entry"}});
  const String expected = expectedName();
  send(*pasteboard);

  ASSERT_EQ(server_->requests.size(), 3u);
  const Put put = parsePut(server_->requests[1]);
  EXPECT_EQ(std::string(put.body.begin(), put.body.end()), "Grüße €");
  ASSERT_EQ(put.headers.size(), 3u);
  EXPECT_EQ(put.headers[0].first, kOBEXHeaderIDName);
  const Bytes& name = put.headers[0].second;
  const String sentName =
      OBEXHeaderUnicodeValue(OBEXHeader{kOBEXHeaderIDName, std::span<const std::uint8_t>(name)});
  EXPECT_EQ(sentName.toUtf8(), expected.toUtf8());
  EXPECT_EQ(sentName.toUtf8().find_first_of("/:"), std::string::npos);
  EXPECT_TRUE(sentName.toUtf8().ends_with(".txt"));
  EXPECT_EQ(put.headers[1],
            (std::pair<std::uint8_t, Bytes>{
                kOBEXHeaderIDType, Bytes{'t', 'e', 'x', 't', '/', 'p', 'l', 'a', 'i', 'n', 0}}));
  EXPECT_EQ(put.headers[2],
            (std::pair<std::uint8_t, Bytes>{kOBEXHeaderIDLength, Bytes{0, 0, 0, 11}}));
}

TEST_F(WendlockSend, TooMuchDataDisconnectsAfterOneAlert) {
  const std::size_t h = headersLength();
  for (const auto& [serverMax, length] :
       {std::pair<std::uint16_t, std::size_t>{1000, 507 - h}, {300, 295 - h}}) {
    TearDown();
    SetUp();
    server_->then(connectReply(serverMax));
    server_->then(kSuccess);
    send(std::string(length, 'x'));
    EXPECT_EQ(ui_->alerts, std::vector<std::string>{"Wendlock: Too much data to send."});
    EXPECT_EQ(exits_, std::vector<int>{1});
    EXPECT_EQ(server_->requests, (std::vector<Bytes>{kConnectRequest, kDisconnectRequest}));
  }
}

// Every end that is not a delivery: the quiet ones come within the first
// tick; failures where the link broke at once, the others after the 60th.
TEST_F(WendlockSend, EndsOtherThanDelivery) {
  struct Case {
    const char* what;
    std::vector<ScriptedServer::Step> steps;
    std::size_t length;
    std::vector<std::uint8_t> opcodes;
    bool failed;  // "Connection failed.", exit 1; else quiet, exit 0
    bool noServer = false;
    bool atOnce = false;  // failed without waiting out the 60 ticks
  };
  const Case cases[] = {
      {"refused at Connect", {{connectReply(1000, 0xC3)}}, 5, {0x80}, false},
      {"refused in short", {{{0xC3, 0x00, 0x03}}}, 5, {0x80}, false},
      {"nobody listening", {}, 5, {}, true, true, true},
      {"silent at Connect", {}, 5, {0x80}, true},
      {"silent at Put", {{connectReply(1000)}}, 5, {0x80, 0x82}, true},
      {"Put answered Length Required",
       {{connectReply(1000)}, {{0xCB, 0x00, 0x03}}},
       5,
       {0x80, 0x82},
       true},
      {"Continue after the last chunk", {{connectReply(1000)}, {kContinue}}, 5, {0x80, 0x82}, true},
      {"closes after the first chunk",
       {{connectReply(1000)}, {{}, true}},
       400,
       {0x80, 0x02},
       true,
       false,
       true},
      {"closes instead of Continue",
       {{connectReply(1000)}, {kContinue, true}},
       400,
       {0x80, 0x02},
       true,
       false,
       true},
      {"garbage for an answer",
       {{connectReply(1000)}, {{'O', 'K', '\n'}}},
       5,
       {0x80, 0x82},
       true,
       false,
       true},
      {"silent at Disconnect", {{connectReply(1000)}, {kSuccess}}, 5, {0x80, 0x82, 0x81}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.noServer) setBrowserTargets({tcpTarget(closedPort())});
    for (const auto& step : c.steps) server_->then(step.reply, step.closeAfter);
    send(std::string(c.length, 'x'));
    EXPECT_EQ(opcodes(), c.opcodes);
    EXPECT_EQ(ui_->alerts,
              c.failed ? std::vector<std::string>{kConnectionFailed} : std::vector<std::string>{});
    EXPECT_EQ(exits_, std::vector<int>{c.failed ? 1 : 0});
    if (c.failed && !c.atOnce) {
      EXPECT_NEAR(elapsed(), 60.0, 1e-6);
    } else {
      EXPECT_LT(elapsed(), 60.0);
    }
  }
}

TEST_F(WendlockSend, SecondRequestDuringATransferIsDropped) {
  Wendlock provider;
  const String port(u"WendlockTest");
  NSRegisterServicesProvider(&provider, port);
  std::vector<std::string> log;
  const auto second = std::make_shared<testkit::RecordingPasteboard>(String(u"Second"), &log);
  second->declareTypes({String(orvin::NSStringPboardType)}, nullptr);
  second->setString(u"second text", String(orvin::NSStringPboardType));
  log.clear();

  // The second request arrives while the Connect is unanswered; the answer
  // comes only after it, at a lower priority than the request's delivery.
  server_->onRequest = [&](const Bytes& request) {
    if (request[0] != 0x80) return;
    postServicesRequest(port, second, String());
    g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer server) -> gboolean {
          static_cast<ScriptedServer*>(server)->push(connectReply(1000));
          return G_SOURCE_REMOVE;
        },
        server_.get(), nullptr);
  };
  server_->then({});
  server_->then(kSuccess);
  server_->then(kSuccess);
  const auto first = testkit::plainPasteboard("first text");
  String error;
  provider.doSendToService(*first, String(), &error);
  NSUnregisterServicesProvider(port);

  EXPECT_EQ(log, std::vector<std::string>{"Second types"});
  EXPECT_EQ(opcodes(), (std::vector<std::uint8_t>{0x80, 0x82, 0x81}));
  const Put put = parsePut(server_->requests.at(1));
  EXPECT_EQ(std::string(put.body.begin(), put.body.end()), "first text");
  EXPECT_TRUE(ui_->alerts.empty());
  EXPECT_EQ(exits_, std::vector<int>{0});
}

TEST_F(WendlockSend, CallbacksIgnoreEventsWithoutAProvider) {
  OBEXSessionEvent event;
  event.responseCode = kOBEXResponseCodeSuccessWithFinalBit;
  for (auto callback :
       {&Wendlock::ConnectedCallback, &Wendlock::PutCallback, &Wendlock::DisconnectedCallback}) {
    callback(nullptr);
    callback(&event);
  }
  drain();
  EXPECT_TRUE(ui_->alerts.empty());
  EXPECT_TRUE(exits_.empty());
}

}  // namespace
}  // namespace wendlock
