// The desktop front end on GTK 3: modal message dialogs for the alerts and
// the launch notice, the display's bell, and a device chooser window that
// follows a live device source. Every window runs modally in a nested loop
// on the run loop's context, so sockets, timers and D-Bus keep working while
// it is open.
#pragma once

#include <memory>

#include "service/platform/FrontEnd.h"

namespace wendlock {

class GtkFrontEnd : public FrontEnd {
 public:
  // Only after ensureGtkDisplay() has answered true; see makeGtkFrontEnd().
  GtkFrontEnd();
  ~GtkFrontEnd() override;

  // An error dialog with one OK button: `title` on the window, `message` in
  // bold, `detail` below it.
  //   showCriticalAlert("Wendlock", "Connection failed.", "");
  void showCriticalAlert(const std::string& title, const std::string& message,
                         const std::string& detail) override;
  // An information dialog with `alternateButton` and `defaultButton`, the
  // latter focused and taken by Enter. Escape or closing the window answers
  // Default too. The message's first paragraph is in bold, the rest below.
  //   showInformationalAlert("Wendlock", text, "Quit", "Help") == Answer::Alternate
  [[nodiscard]] Answer showInformationalAlert(const std::string& title, const std::string& message,
                                              const std::string& defaultButton,
                                              const std::string& alternateButton) override;
  // The display's bell.
  void beep() override;
  // Presents the open windows, and every later one, as the user's own
  // action, so a window manager puts them in front and gives them focus.
  void activate() override;
  // The chooser over a fixed list; the index into `devices`, or nullopt.
  //   chooseDevice({a, b})  // 1 when the user picks b
  [[nodiscard]] std::optional<std::size_t> chooseDevice(
      const std::vector<ServiceRecord>& devices) override;
  // The chooser over `source`, which the caller has started: its rows follow
  // entries() while the window is open, with a "Searching…" line and spinner
  // while isSearching(). Enter, a double-click or Send answers the selected
  // entry's record; Escape, Cancel or closing the window answers nullopt.
  [[nodiscard]] std::optional<ServiceRecord> chooseDevice(DeviceSource& source) override;

  // A small window with a spinner, `what` and a Cancel button, which
  // (like Escape or closing the window) hides it and runs `cancel`.
  void showSending(const std::string& what, std::function<void()> cancel) override;
  void endSending() override;
  // Through the desktop's notification service; nothing without one.
  void notify(const std::string& summary) override;

  // How long the chooser searches before it offers "Search Again".
  static constexpr double kChooserSearchSeconds = 30.0;
  // How often the chooser looks at its source. The source's `changed`
  // callback belongs to the caller that started it, so the window reads
  // entries() on this beat and redraws only what changed.
  static constexpr unsigned kChooserRefreshMilliseconds = 200;

 private:
  // The chosen row of the source's entries as they were shown.
  std::optional<std::size_t> runChooser(DeviceSource& source, std::vector<DeviceEntry>* shown);

  bool active_ = false;

 public:
  struct Sending;

 private:
  std::unique_ptr<Sending> sending_;
};

// A GTK front end when a display can be opened (ensureGtkDisplay()), else
// nullptr.
//   if (auto gtk = makeGtkFrontEnd()) setFrontEnd(std::move(gtk));
[[nodiscard]] std::unique_ptr<FrontEnd> makeGtkFrontEnd();

}  // namespace wendlock
