// The process lifecycle: the ticks of runServicesProvider, the launch notice
// when no request came, and what ends the loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <tuple>

#include "ServiceTestSupport.h"
#include "chars/PlatformException.h"
#include "service/Lifecycle.h"
#include "service/Wendlock.h"
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
    calls.push_back(orvin::currentAbsoluteTime());
    (void)getStringOfPboard(pasteboard, false);
    if (body) body();
  }
  std::vector<double> calls;  // when the handler ran
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
  // Runs the lifecycle with one request pending; the number of ticks.
  int runWithRequest(ScriptedProvider& provider) {
    postServicesRequest(kPort, testkit::plainPasteboard("x"), String());
    return runServicesProvider(provider, provider, kPort);
  }
};

TEST_F(Lifecycle, LaunchedByHandShowsTheNoticeAfterTheFirstTick) {
  // The button, whether the Read Me is there, whether the viewer opens it,
  // whether it was asked to, the beeps.
  const std::tuple<const char*, FrontEnd::Answer, bool, bool, bool, int> cases[] = {
      {"Quit", FrontEnd::Answer::Default, true, true, false, 0},
      {"Help opens the Read Me", FrontEnd::Answer::Alternate, true, true, true, 0},
      {"Help, the viewer fails", FrontEnd::Answer::Alternate, true, false, true, 1},
      {"Help without a Read Me", FrontEnd::Answer::Alternate, false, true, false, 1},
  };
  for (const auto& [what, answer, readMePresent, opens, asked, beeps] : cases) {
    SCOPED_TRACE(what);
    TearDown();
    SetUp();
    if (readMePresent) std::ofstream(readMe()) << "%PDF-1.4\n";
    std::vector<std::string> opened;
    testhooks::setOpenFileHandler([&, opens = opens](const String& path) {
      opened.push_back(path.toUtf8());
      return opens;
    });
    ui_->noticeAnswer = answer;
    Wendlock provider;
    EXPECT_EQ(runServicesProvider(provider, provider, kPort), 1);

    ASSERT_EQ(ui_->notices.size(), 1u);
    const std::string& notice = ui_->notices[0];
    EXPECT_TRUE(notice.starts_with("Wendlock: ")) << notice;
    EXPECT_TRUE(notice.ends_with(" [Quit/Help]")) << notice;
    EXPECT_EQ(notice.find("SERVICE_LAUNCH"), std::string::npos);
    EXPECT_EQ(opened,
              asked ? std::vector<std::string>{readMe().string()} : std::vector<std::string>{});
    EXPECT_EQ(ui_->beeps, beeps);
    EXPECT_EQ(exits_, std::vector<int>{0});
  }
}

// The request reaches the handler during the first tick, so no notice; a
// handler that returns without ending the process leaves the loop to run
// its ten ticks.
TEST_F(Lifecycle, RequestInTheFirstTickThenTenTicks) {
  ScriptedProvider provider;
  EXPECT_EQ(runWithRequest(provider), 10);
  ASSERT_EQ(provider.calls.size(), 1u);
  EXPECT_LT(provider.calls[0], kStart + 1.0);
  EXPECT_NEAR(elapsed(), 10.0, 1e-6);
  EXPECT_TRUE(ui_->notices.empty());
  EXPECT_TRUE(exits_.empty());
}

TEST_F(Lifecycle, PlatformExceptionInAHandlerIsLoggedOnceAndEndsTheLoop) {
  ScriptedProvider provider;
  provider.body = [] {
    throw orvin::PlatformException(orvin::NSGenericException, "handler broke");
  };
  testing::internal::CaptureStderr();
  EXPECT_EQ(runWithRequest(provider), 1);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(provider.calls.size(), 1u);
  EXPECT_TRUE(log.ends_with("] handler broke\n")) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  EXPECT_TRUE(ui_->notices.empty());
  EXPECT_TRUE(exits_.empty());

  // Unregistered: a later request waits for a provider instead of reaching this one.
  postServicesRequest(kPort, testkit::plainPasteboard("y"), String());
  testkit::drain();
  EXPECT_EQ(provider.calls.size(), 1u);
  ScriptedProvider next;
  NSRegisterServicesProvider(&next, kPort);
  EXPECT_TRUE(testkit::runUntil([&] { return next.calls.size() == 1; }));
  NSUnregisterServicesProvider(kPort);
}

TEST_F(Lifecycle, OtherExceptionsAreNotCaught) {
  ScriptedProvider provider;
  provider.body = [] { throw std::runtime_error("not the platform's"); };
  EXPECT_THROW(runWithRequest(provider), std::runtime_error);
  NSUnregisterServicesProvider(kPort);
}

}  // namespace
}  // namespace wendlock
