// The seam to the desktop and Bluetooth backends: the desktop opens once,
// only when allowed and a display answers, and tells the toolkit which
// display did; the auto front end decides on its first use; the device
// browser works from what the backends registered, or without them.
#include "service/platform/Desktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "FakeDisplay.h"
#include "ServiceTestSupport.h"
#include "service/platform/AutoFrontEnd.h"
#include "service/platform/DeviceBrowser.h"

namespace wendlock {
namespace {

using testkit::FakeDisplay;
using testkit::RecordingFrontEnd;
using testkit::ScopedEnvironment;

class FakeDesktop : public Desktop {
 public:
  std::unique_ptr<FrontEnd> makeFrontEnd() override {
    auto made = std::make_unique<RecordingFrontEnd>();
    frontEnd = made.get();
    ++frontEnds;
    return made;
  }
  std::shared_ptr<orvin::Pasteboard> selection(DesktopSelection) override { return nullptr; }
  void storeSelections() override {}
  orvin::String activeApplicationName() override { return orvin::String(u"Fake"); }

  RecordingFrontEnd* frontEnd = nullptr;  // the last one made
  int frontEnds = 0;
};

FakeDesktop* theDesktop = nullptr;
int opens = 0;
bool openFails = false;

Desktop* openFake() {
  ++opens;
  return openFails ? nullptr : theDesktop;
}

class DesktopSeam : public ::testing::Test {
 protected:
  void SetUp() override {
    theDesktop = &desktop_;
    opens = 0;
    openFails = false;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "GDK_BACKEND"}) {
      env_.set(name, std::nullopt);
    }
    setDesktopEntry(openFake);
  }
  void TearDown() override {
    setDesktopAllowed(true);
    setDesktopEntry(nullptr);
    theDesktop = nullptr;
  }

  FakeDesktop desktop_;
  ScopedEnvironment env_;
};

TEST_F(DesktopSeam, OpensOnlyWhenAllowedAndADisplayAnswers) {
  using V = std::optional<std::string>;
  struct Case {
    const char* name;
    bool allowed;
    bool x11;         // DISPLAY names an answering server
    bool wayland;     // WAYLAND_DISPLAY names an answering server
    bool silentX11;   // DISPLAY names a silent one
    V gdkBackend;     // set by the user beforehand
    bool fails;       // the toolkit cannot open it
    const char* why;  // "" when it opens
    int opens;
    V gdkAfter;
  };
  const Case cases[] = {
      {"not allowed", false, true, false, false, {}, false, "not used", 0, {}},
      {"nothing named", true, false, false, false, {}, false, "no display", 0, {}},
      {"silent server", true, false, false, true, {}, false, "does not answer", 0, {}},
      {"X11 only", true, true, false, false, {}, false, "", 1, "x11"},
      {"Wayland only", true, false, true, false, {}, false, "", 1, "wayland"},
      {"both answer", true, true, true, false, {}, false, "", 1, {}},
      {"the user's choice stays", true, false, true, false, "x11", false, "", 1, "x11"},
      {"the toolkit fails", true, true, false, false, {}, true, "cannot be opened", 1, "x11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDisplay x11(c.silentX11 ? FakeDisplay::Mode::Silent : FakeDisplay::Mode::Answers);
    FakeDisplay wayland(FakeDisplay::Mode::Answers);
    env_.set("DISPLAY", c.x11 || c.silentX11 ? V(x11.path()) : std::nullopt);
    env_.set("WAYLAND_DISPLAY", c.wayland ? V(wayland.path()) : std::nullopt);
    env_.set("GDK_BACKEND", c.gdkBackend);
    setDesktopEntry(openFake);
    setDesktopAllowed(c.allowed);
    opens = 0;
    openFails = c.fails;

    std::string why;
    Desktop* opened = desktop(&why);
    EXPECT_EQ(opened, *c.why ? nullptr : theDesktop);
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
    // Asked again, it answers the same without trying again.
    EXPECT_EQ(desktop(), opened);
    EXPECT_EQ(openedDesktop(), opened);
    EXPECT_EQ(opens, c.opens);
    const char* gdk = std::getenv("GDK_BACKEND");
    EXPECT_EQ(gdk ? V(gdk) : std::nullopt, c.gdkAfter);
  }
}

TEST_F(DesktopSeam, AutoFrontEndChoosesOnFirstUse) {
  FakeDisplay display(FakeDisplay::Mode::Answers);
  env_.set("DISPLAY", display.path());
  AutoFrontEnd front;
  front.activate();
  EXPECT_EQ(opens, 0) << "activating shows nothing, so it opens nothing";
  front.showCriticalAlert("Wendlock", "one", "");
  front.showCriticalAlert("Wendlock", "two", "");
  EXPECT_EQ(opens, 1);
  ASSERT_EQ(desktop_.frontEnds, 1);
  EXPECT_EQ(desktop_.frontEnd->alerts,
            (std::vector<std::string>{"Wendlock: one", "Wendlock: two"}));
  EXPECT_EQ(desktop_.frontEnd->activations, 1);
}

TEST_F(DesktopSeam, AutoFrontEndFallsBackToTheTerminal) {
  // No display named: the alert is a line on standard error.
  AutoFrontEnd front;
  testing::internal::CaptureStderr();
  front.showCriticalAlert("Wendlock", "Connection failed.", "");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(opens, 0);
  EXPECT_NE(err.find("Connection failed."), std::string::npos) << err;
}

class Backends : public testkit::ProcessTest {
 protected:
  void SetUp() override {
    ProcessTest::SetUp();
    // Whatever this build registered, the tests start without it.
    savedSources_ = setBluetoothDeviceSourceFactory(nullptr);
    savedSessions_ = setBluetoothSessionFactory(nullptr);
  }
  void TearDown() override {
    setBluetoothDeviceSourceFactory(savedSources_);
    setBluetoothSessionFactory(savedSessions_);
    ProcessTest::TearDown();
  }
  DeviceSourceFactory savedSources_;
  BluetoothSessionFactory savedSessions_;
};

TEST_F(Backends, BrowserUsesTheRegisteredDeviceSource) {
  ServiceRecord record;
  // Without a Bluetooth backend, only named targets can be chosen.
  EXPECT_EQ(IOBluetoothServiceBrowserControllerBrowseDevices(&record, 1),
            kIOBluetoothUINotAvailableErr);
  EXPECT_TRUE(ui_->choosers.empty());

  const auto a = ServiceRecord::parse("bt:00:1A:7D:DA:71:13");
  const auto b = ServiceRecord::parse("bt:00:1A:7D:DA:71:14@3");
  ASSERT_TRUE(a && b);
  setBluetoothDeviceSourceFactory([&] {
    return std::make_unique<StaticDeviceSource>(std::vector<ServiceRecord>{*a, *b});
  });
  ui_->choice = 1;
  ASSERT_EQ(IOBluetoothServiceBrowserControllerBrowseDevices(&record, 1), kIOBluetoothUISuccess);
  EXPECT_EQ(record.describe(), b->describe());
  EXPECT_EQ(ui_->choosers, std::vector<std::size_t>{2});
}

TEST_F(Backends, BluetoothSessionsNeedTheirBackend) {
  const auto bt = ServiceRecord::parse("bt:00:1A:7D:DA:71:13@4");
  ASSERT_TRUE(bt);
  OBEXSessionRef session = nullptr;
  EXPECT_EQ(IOBluetoothOBEXSessionCreateWithIOBluetoothSDPServiceRecordRef(*bt, &session),
            kOBEXSessionNoTransportError);
  EXPECT_EQ(session, nullptr);

  std::string asked;
  setBluetoothSessionFactory([&](const ServiceRecord& r, OBEXSessionRef*) {
    asked = r.describe();
    return kOBEXUnsupportedError;
  });
  EXPECT_EQ(IOBluetoothOBEXSessionCreateWithIOBluetoothSDPServiceRecordRef(*bt, &session),
            kOBEXUnsupportedError);
  EXPECT_EQ(asked, bt->describe());
}

}  // namespace
}  // namespace wendlock
