// The desktop's workspace: opening a document with the user's default
// application, and which application is in front.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "chars/String.h"

namespace wendlock {

class NSWorkspace {
 public:
  static NSWorkspace& sharedWorkspace();

  // Opens `path` with the desktop's default viewer (GIO, loaded for it, which
  // follows the xdg-open settings); false when there is none or it fails to start.
  // Without a display no viewer can show it (one started anyway fails after
  // the shell's prompt is back), so the user is told on standard error where
  // the manual is instead, and that counts as opened.
  bool openFile(const orvin::String& path);
  // "NSApplicationName": the frontmost application's name where the display
  // tells it; an empty map otherwise.
  [[nodiscard]] std::map<std::string, orvin::String> activeApplication() const;
};

namespace testhooks {
// Makes activeApplication() name `name` as the frontmost application (nil:
// back to what the display tells).
void setActiveApplicationName(const orvin::String& name);
// Replaces the desktop's viewer in openFile (empty: the real one again).
void setOpenFileHandler(std::function<bool(const orvin::String& path)> handler);
}  // namespace testhooks

}  // namespace wendlock
