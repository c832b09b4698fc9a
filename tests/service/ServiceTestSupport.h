// What the service's tests share: a front end that records what the user
// would see and answers as scripted, a pasteboard that logs its reads and
// declarations, a bounded way to run a main context, and a fixture that puts
// the process on virtual time with a terminate that only records the status.
#pragma once

#include <glib.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "service/platform/FrontEnd.h"
#include "support/Clock.h"
#include "support/MonotonicClock.h"
#include "support/pasteboard/Pasteboard.h"

namespace wendlock::testkit {

class RecordingFrontEnd : public FrontEnd {
 public:
  void showCriticalAlert(const std::string& title, const std::string& message,
                         const std::string& detail) override {
    alerts.push_back(title + ": " + message + (detail.empty() ? "" : " / " + detail));
  }
  Answer showInformationalAlert(const std::string& title, const std::string& message,
                                const std::string& defaultButton,
                                const std::string& alternateButton) override {
    notices.push_back(title + ": " + message + " [" + defaultButton + "/" + alternateButton + "]");
    return noticeAnswer;
  }
  void beep() override { ++beeps; }
  void showEndWithoutDelivery(const std::string& reason) override { ends.push_back(reason); }
  void activate() override { ++activations; }
  void showSending(const std::string& what, std::function<void()> cancel) override {
    sending.push_back(what);
    cancelSending = std::move(cancel);
    if (onSending) onSending();
  }
  void endSending() override { sending.push_back("end"); }
  void notify(const std::string& summary) override { notifications.push_back(summary); }
  using FrontEnd::chooseDevice;
  std::optional<std::size_t> chooseDevice(const std::vector<ServiceRecord>& devices) override {
    choosers.push_back(devices.size());
    return devices.empty() ? std::nullopt : choice;
  }

  std::vector<std::string> alerts;   // "title: message"
  std::vector<std::string> notices;  // "title: message [default/alternate]"
  int beeps = 0;
  std::vector<std::string> ends;  // why requests ended without delivery
  int activations = 0;
  std::vector<std::size_t> choosers;  // how many devices each chooser offered
  Answer noticeAnswer = Answer::Default;
  std::optional<std::size_t> choice;  // nullopt: the user cancels
  std::vector<std::string> sending;   // each sending window's text, and "end"
  std::function<void()> cancelSending;
  std::function<void()> onSending;  // runs as the sending window opens
  std::vector<std::string> notifications;
};

// An in-memory pasteboard that logs "<name> types" and "<name> declare".
class RecordingPasteboard : public orvin::InMemoryPasteboard {
 public:
  RecordingPasteboard(orvin::String name, std::vector<std::string>* log)
      : InMemoryPasteboard(std::move(name)), log_(log) {}
  std::vector<orvin::String> types() override {
    log_->push_back(name().toUtf8() + " types");
    return InMemoryPasteboard::types();
  }
  orvin::NSInteger declareTypes(const std::vector<orvin::String>& types,
                                const void* owner) override {
    log_->push_back(name().toUtf8() + " declare");
    return InMemoryPasteboard::declareTypes(types, owner);
  }

 private:
  std::vector<std::string>* log_;
};

// A pasteboard named "Request" declaring `entries` in order; an entry
// without data is declared only.
using Entries = std::vector<std::pair<std::u16string_view, std::optional<std::string>>>;
std::shared_ptr<orvin::InMemoryPasteboard> pasteboardWith(const Entries& entries);
inline std::shared_ptr<orvin::InMemoryPasteboard> plainPasteboard(const std::string& utf8) {
  return pasteboardWith({{orvin::NSStringPboardType, utf8}});
}

// Environment variables set for a test; the old values come back when the
// object goes.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  // nullopt unsets it.
  void set(const char* name, const std::optional<std::string>& value);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The folder WENDLOCK_RESOURCES names for the whole test run.
const std::string& resourceDirectory();

// Runs `context` (nullptr: the default one) until `done`; false after ten
// real seconds, so that a broken build fails instead of hanging.
bool runUntil(const std::function<bool()>& done, GMainContext* context = nullptr);
// Dispatches what is ready on `context`.
void drain(GMainContext* context = nullptr);

// Virtual time from kStart, a RecordingFrontEnd, terminate recording into
// exits_, no browser targets.
class ProcessTest : public ::testing::Test {
 protected:
  static constexpr double kStart = 700000000.0;
  void SetUp() override;
  void TearDown() override;
  // Seconds of virtual (monotonic) time since kStart.
  [[nodiscard]] static double elapsed() { return orvin::monotonicSeconds() - kStart; }

  RecordingFrontEnd* ui_ = nullptr;
  std::vector<int> exits_;
};

}  // namespace wendlock::testkit
