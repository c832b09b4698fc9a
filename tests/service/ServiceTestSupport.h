// What the service's tests share: a front end that records what the user
// would see and answers as scripted, a pasteboard that logs its reads and
// declarations, and a fixture that puts the process on virtual time with a
// terminate that only records the exit status.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "service/platform/FrontEnd.h"
#include "support/Pasteboard.h"

namespace wendlock::testkit {

class RecordingFrontEnd : public FrontEnd {
 public:
  void showCriticalAlert(const std::string& title, const std::string& message) override;
  Answer showInformationalAlert(const std::string& title, const std::string& message,
                                const std::string& defaultButton,
                                const std::string& alternateButton) override;
  void beep() override { ++beeps; }
  using FrontEnd::chooseDevice;
  std::optional<std::size_t> chooseDevice(const std::vector<ServiceRecord>& devices) override;

  std::vector<std::string> alerts;   // "title: message"
  std::vector<std::string> notices;  // "title: message [default/alternate]"
  int beeps = 0;
  std::vector<std::size_t> choosers;  // how many devices each chooser offered
  Answer noticeAnswer = Answer::Default;
  std::optional<std::size_t> choice;  // nullopt: the user cancels
};

// An in-memory pasteboard that logs "<name> types" and "<name> declare".
class RecordingPasteboard : public orvin::InMemoryPasteboard {
 public:
  RecordingPasteboard(orvin::String name, std::vector<std::string>* log)
      : InMemoryPasteboard(std::move(name)), log_(log) {}
  std::vector<orvin::String> types() override;
  orvin::NSInteger declareTypes(const std::vector<orvin::String>& types,
                                const void* owner) override;

 private:
  std::vector<std::string>* log_;
};

// A pasteboard named "Request" declaring `entries` in order; an entry
// without data is declared only.
using Entries = std::vector<std::pair<std::u16string_view, std::optional<std::string>>>;
std::shared_ptr<orvin::InMemoryPasteboard> pasteboardWith(const Entries& entries);
// A pasteboard holding `utf8` as its one plain-string entry.
std::shared_ptr<orvin::InMemoryPasteboard> plainPasteboard(const std::string& utf8);

// The folder WENDLOCK_RESOURCES names for the whole test run (set before
// any test, since the bundle looks it up once).
const std::string& resourceDirectory();

// Virtual time from kStart, a RecordingFrontEnd, terminate recording into
// exits, no browser targets.
class ProcessTest : public ::testing::Test {
 protected:
  static constexpr double kStart = 700000000.0;
  void SetUp() override;
  void TearDown() override;
  // Dispatches what is ready on the default context (bounded).
  static void drain();
  // Runs the default context until `done`, for at most a few real seconds.
  static bool runUntil(const std::function<bool()>& done);
  // Seconds of virtual time since kStart.
  [[nodiscard]] static double elapsed();

  RecordingFrontEnd* ui_ = nullptr;
  std::vector<int> exits_;
};

}  // namespace wendlock::testkit
