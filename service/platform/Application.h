// The application object and the modal panels, in the shape the service
// code calls them: sharedApplication, activateIgnoringOtherApps, terminate,
// NSRunCriticalAlertPanel, NSRunInformationalAlertPanel, NSBeep.
#pragma once

#include <functional>

#include "chars/String.h"

namespace wendlock {

// Alert answers, numbered as the platform numbers them.
inline constexpr int NSAlertDefaultReturn = 1;
inline constexpr int NSAlertAlternateReturn = 0;

// Exit statuses of the process (documented in --help and the man page).
inline constexpr int kExitDelivered = 0;     // the file was delivered (or opened by hand)
inline constexpr int kExitAlerted = 1;       // a critical alert was shown
inline constexpr int kExitUnusable = 2;      // the command line or its source cannot be used
inline constexpr int kExitNotDelivered = 3;  // ended without delivery and without an alert

namespace testhooks {
void resetOutcome();
}  // namespace testhooks

class NSApplication {
 public:
  static NSApplication& sharedApplication();

  // Brings the front end's windows to the front.
  void activateIgnoringOtherApps(bool flag);
  // Ends the process: kExitAlerted once a critical alert was shown, else
  // kExitNotDelivered when an end without delivery was noted (the front end
  // tells the user which first), else kExitDelivered. Nothing after it is
  // relied on; a test hook may make it return.
  void terminate(const void* sender);

  [[nodiscard]] bool hasShownCriticalAlert() const noexcept { return criticalAlertShown_; }
  void noteCriticalAlert() noexcept { criticalAlertShown_ = true; }
  // Why the request ends without delivery and without an alert (cancelled,
  // refused, declined, nothing to choose from). The first reason stays: it
  // is the cause, and later ones follow from it.
  void noteEndWithoutDelivery(const orvin::String& reason);
  [[nodiscard]] const orvin::String& endWithoutDelivery() const noexcept { return notDelivered_; }

 private:
  friend void testhooks::resetOutcome();
  bool criticalAlertShown_ = false;
  orvin::String notDelivered_;
};

// Modal alert with the default button only; `messageFormat` is a format.
int NSRunCriticalAlertPanel(const orvin::String& title, const orvin::String& messageFormat);
// The same with an explanation below the message, shown as it is.
int NSRunCriticalAlertPanel(const orvin::String& title, const orvin::String& messageFormat,
                            const orvin::String& detail);
// Modal alert with two buttons: NSAlertDefaultReturn or NSAlertAlternateReturn.
int NSRunInformationalAlertPanel(const orvin::String& title, const orvin::String& messageFormat,
                                 const orvin::String& defaultButton,
                                 const orvin::String& alternateButton,
                                 const orvin::String& otherButton);
void NSBeep();

namespace testhooks {
// Replaces process exit in terminate (the handler gets the exit status).
void setTerminateHandler(std::function<void(int status)> handler);
// Forgets the alert and the end without delivery noted so far.
void resetOutcome();
}  // namespace testhooks

}  // namespace wendlock
