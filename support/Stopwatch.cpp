#include "support/Stopwatch.h"

#include <mutex>
#include <optional>

#include "support/Log.h"
#include "support/MonotonicClock.h"

namespace orvin {
namespace {

std::mutex stopwatchMutex;
std::optional<double> startedAt;  // guarded by stopwatchMutex; empty while stopped

enum class After { Keep, Restart, Stop };

double logged(double seconds, const String* label) {
  if (label != nullptr) {
    NSLog(u"%@: %fs", {*label, seconds});
  } else {
    NSLog(u"%fs", {seconds});
  }
  return seconds;
}

double measure(const String* label, After after) {
  std::optional<double> elapsed;
  {
    std::lock_guard<std::mutex> lock(stopwatchMutex);
    const double now = monotonicSeconds();
    if (startedAt) elapsed = now - *startedAt;
    if (after == After::Restart) startedAt = now;
    if (after == After::Stop) startedAt.reset();
  }
  return elapsed ? logged(*elapsed, label) : 0;
}

}  // namespace

void startTimer() {
  std::lock_guard<std::mutex> lock(stopwatchMutex);
  startedAt = monotonicSeconds();
}

void stopTimer() {
  std::lock_guard<std::mutex> lock(stopwatchMutex);
  startedAt.reset();
}

double measureTimer() {
  return measure(nullptr, After::Keep);
}

double measureTimer(const String& label) {
  return measure(&label, After::Keep);
}

double measureAndRestartTimer(const String& label) {
  return measure(&label, After::Restart);
}

double measureAndStopTimer(const String& label) {
  return measure(&label, After::Stop);
}

NSTimeInterval ellapsedTime(const Date& date) {
  return -date.timeIntervalSinceNow();
}

NSTimeInterval measureTimer(const Date& date) {
  return logged(ellapsedTime(date), nullptr);
}

NSTimeInterval measureTimer(const Date& date, const String& label) {
  return logged(ellapsedTime(date), &label);
}

}  // namespace orvin
