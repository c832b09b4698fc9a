// The process lifecycle: the ticks of runServicesProvider, the launch notice
// when no request came, and what ends the loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "ScriptedObexServer.h"
#include "ServiceTestSupport.h"
#include "chars/PlatformException.h"
#include "service/Lifecycle.h"
#include "service/Wendlock.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/Workspace.h"
#include "support/Clock.h"

namespace wendlock {
namespace {

using orvin::String;

constexpr const char16_t* kPort = u"Wendlock";

// A provider whose handler reads the request and then does what the test says.
class ScriptedProvider : public Service, public ServicesProvider {
 public:
  void doSendToService(orvin::Pasteboard& pasteboard, const String&, String*) override {
    ++calls;
    (void)getStringOfPboard(pasteboard, false);
    if (body) body();
  }
  int calls = 0;
  std::function<void()> body;
};

class Lifecycle : public testkit::ProcessTest {
 protected:
  void TearDown() override {
    testhooks::setOpenFileHandler({});
    std::filesystem::remove(readMe());
    ProcessTest::TearDown();
  }
  static std::filesystem::path readMe() {
    return std::filesystem::path(testkit::resourceDirectory()) / "Read Me.pdf";
  }
};

TEST_F(Lifecycle, LaunchedByHandShowsTheNoticeAfterTheFirstTick) {
  struct Case {
    const char* what;
    FrontEnd::Answer answer;
    bool readMePresent;
    bool opens;
    bool opened;
    int beeps;
  };
  const Case cases[] = {
      {"Quit", FrontEnd::Answer::Default, true, true, false, 0},
      {"Help opens the Read Me", FrontEnd::Answer::Alternate, true, true, true, 0},
      {"Help, the viewer fails", FrontEnd::Answer::Alternate, true, false, true, 1},
      {"Help without a Read Me", FrontEnd::Answer::Alternate, false, true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.readMePresent) std::ofstream(readMe()) << "%PDF-1.4\n";
    std::vector<std::string> opened;
    testhooks::setOpenFileHandler([&](const String& path) {
      opened.push_back(path.toUtf8());
      return c.opens;
    });
    ui_->noticeAnswer = c.answer;
    Wendlock provider;
    EXPECT_EQ(runServicesProvider(provider, provider, kPort), 1);

    ASSERT_EQ(ui_->notices.size(), 1u);
    const std::string& notice = ui_->notices[0];
    EXPECT_TRUE(notice.starts_with("Wendlock: ")) << notice;
    EXPECT_TRUE(notice.ends_with(" [Quit/Help]")) << notice;
    EXPECT_EQ(notice.find("SERVICE_LAUNCH"), std::string::npos);
    EXPECT_EQ(opened,
              c.opened ? std::vector<std::string>{readMe().string()} : std::vector<std::string>{});
    EXPECT_EQ(ui_->beeps, c.beeps);
    EXPECT_TRUE(ui_->alerts.empty());
    EXPECT_EQ(exits_, std::vector<int>{0});
  }
}

// The request reaches the handler during the first tick, and the handler
// ends the process; here terminate returns, so the loop goes on to its
// tenth tick, still without a notice.
TEST_F(Lifecycle, RequestIsServedInTheFirstTick) {
  testkit::ScriptedServer server(g_main_context_default());
  std::vector<double> requestTimes;
  server.onRequest = [&](const testkit::Bytes&) {
    requestTimes.push_back(orvin::currentAbsoluteTime());
  };
  setBrowserTargets({*ServiceRecord::parse("tcp:127.0.0.1:" + std::to_string(server.port()))});
  server.then(testkit::connectReply(1000));
  server.then(testkit::kSuccess);
  server.then(testkit::kSuccess);
  postServicesRequest(kPort, testkit::plainPasteboard("hello"), String());
  Wendlock provider;
  EXPECT_EQ(runServicesProvider(provider, provider, kPort), 10);

  ASSERT_EQ(requestTimes.size(), 3u);
  EXPECT_LT(requestTimes[0], kStart + 1.0);
  EXPECT_EQ(exits_, std::vector<int>{0});
  EXPECT_TRUE(ui_->notices.empty());
  EXPECT_TRUE(ui_->alerts.empty());
}

TEST_F(Lifecycle, HandlerThatReturnsRunsTheTenTicks) {
  ScriptedProvider provider;
  postServicesRequest(kPort, testkit::plainPasteboard("x"), String());
  EXPECT_EQ(runServicesProvider(provider, provider, kPort), 10);
  EXPECT_EQ(provider.calls, 1);
  EXPECT_NEAR(elapsed(), 10.0, 1e-6);
  EXPECT_TRUE(ui_->notices.empty());
  EXPECT_TRUE(exits_.empty());
}

TEST_F(Lifecycle, PlatformExceptionInAHandlerIsLoggedOnceAndEndsTheLoop) {
  ScriptedProvider provider;
  provider.body = [] {
    throw orvin::PlatformException(orvin::NSGenericException, "handler broke");
  };
  postServicesRequest(kPort, testkit::plainPasteboard("x"), String());
  testing::internal::CaptureStderr();
  const int ticks = runServicesProvider(provider, provider, kPort);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(provider.calls, 1);
  EXPECT_TRUE(log.ends_with("] handler broke\n")) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  EXPECT_TRUE(ui_->notices.empty());
  EXPECT_TRUE(exits_.empty());

  // Unregistered: a later request waits for a provider instead of reaching this one.
  postServicesRequest(kPort, testkit::plainPasteboard("y"), String());
  drain();
  EXPECT_EQ(provider.calls, 1);
  ScriptedProvider next;
  NSRegisterServicesProvider(&next, kPort);
  EXPECT_TRUE(runUntil([&] { return next.calls == 1; }));
  NSUnregisterServicesProvider(kPort);
}

TEST_F(Lifecycle, OtherExceptionsAreNotCaught) {
  ScriptedProvider provider;
  provider.body = [] { throw std::runtime_error("not the platform's"); };
  postServicesRequest(kPort, testkit::plainPasteboard("x"), String());
  EXPECT_THROW(runServicesProvider(provider, provider, kPort), std::runtime_error);
  NSUnregisterServicesProvider(kPort);
}

}  // namespace
}  // namespace wendlock
