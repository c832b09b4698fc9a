#include "service/platform/Application.h"

#include <cstdio>
#include <cstdlib>

#include "chars/StringFormat.h"
#include "service/platform/Desktop.h"
#include "service/platform/FrontEnd.h"

namespace wendlock {
namespace {
std::function<void(int)>& terminateHandler() {
  static std::function<void(int)> handler;
  return handler;
}
}  // namespace

NSApplication& NSApplication::sharedApplication() {
  static NSApplication application;
  return application;
}

void NSApplication::activateIgnoringOtherApps(bool flag) {
  if (flag) frontEnd().activate();
}

void NSApplication::noteEndWithoutDelivery(const orvin::String& reason) {
  if (notDelivered_.isNil()) notDelivered_ = reason.isNil() ? orvin::String(u"") : reason;
}

void NSApplication::terminate(const void* /*sender*/) {
  int status = kExitDelivered;
  if (criticalAlertShown_) {
    status = kExitAlerted;
  } else if (!notDelivered_.isNil()) {
    status = kExitNotDelivered;
    frontEnd().showEndWithoutDelivery(notDelivered_.toUtf8());
  }
  if (terminateHandler()) {
    terminateHandler()(status);
    return;
  }
  // What this process put on the clipboard must outlive it.
  if (Desktop* d = openedDesktop()) d->storeSelections();
  std::fflush(nullptr);
  std::exit(status);
}

int NSRunCriticalAlertPanel(const orvin::String& title, const orvin::String& messageFormat) {
  return NSRunCriticalAlertPanel(title, messageFormat, orvin::String(u""));
}

int NSRunCriticalAlertPanel(const orvin::String& title, const orvin::String& messageFormat,
                            const orvin::String& detail) {
  NSApplication::sharedApplication().noteCriticalAlert();
  const orvin::String message = orvin::stringWithFormat(messageFormat, {});
  frontEnd().showCriticalAlert(title.toUtf8(), message.toUtf8(), detail.toUtf8());
  return NSAlertDefaultReturn;
}

int NSRunInformationalAlertPanel(const orvin::String& title, const orvin::String& messageFormat,
                                 const orvin::String& defaultButton,
                                 const orvin::String& alternateButton,
                                 const orvin::String& /*otherButton*/) {
  const orvin::String message = orvin::stringWithFormat(messageFormat, {});
  const FrontEnd::Answer answer = frontEnd().showInformationalAlert(
      title.toUtf8(), message.toUtf8(), defaultButton.toUtf8(), alternateButton.toUtf8());
  return answer == FrontEnd::Answer::Alternate ? NSAlertAlternateReturn : NSAlertDefaultReturn;
}

void NSBeep() {
  frontEnd().beep();
}

namespace testhooks {
void setTerminateHandler(std::function<void(int)> handler) {
  terminateHandler() = std::move(handler);
}
void resetOutcome() {
  NSApplication::sharedApplication().criticalAlertShown_ = false;
  NSApplication::sharedApplication().notDelivered_ = orvin::String();
}
}  // namespace testhooks

}  // namespace wendlock
