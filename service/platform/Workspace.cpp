#include "service/platform/Workspace.h"

#include <gio/gio.h>

#include <cstdio>

#include "service/platform/Bundle.h"
#include "service/platform/gtk/ActiveWindow.h"
#include "service/platform/gtk/GtkDisplay.h"

namespace wendlock {
namespace {
orvin::String& activeNameOverride() {
  static orvin::String name;
  return name;
}
std::function<bool(const orvin::String&)>& openFileHandler() {
  static std::function<bool(const orvin::String&)> handler;
  return handler;
}
}  // namespace

NSWorkspace& NSWorkspace::sharedWorkspace() {
  static NSWorkspace workspace;
  return workspace;
}

bool NSWorkspace::openFile(const orvin::String& path) {
  if (path.isEmpty()) return false;
  if (openFileHandler()) return openFileHandler()(path);
  if (!environmentHasDisplay()) {
    std::fprintf(stderr, "wendlock: %s\n",
                 localized(u"Read the manual with: man wendlock").c_str());
    return true;
  }
  GFile* file = g_file_new_for_path(path.toUtf8().c_str());
  gchar* uri = g_file_get_uri(file);
  GError* error = nullptr;
  const gboolean launched = g_app_info_launch_default_for_uri(uri, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  g_free(uri);
  g_object_unref(file);
  return launched != FALSE;
}

std::map<std::string, orvin::String> NSWorkspace::activeApplication() const {
  if (!activeNameOverride().isNil()) return {{"NSApplicationName", activeNameOverride()}};
  const orvin::String name = activeWindowApplicationName();
  if (!name.isNil()) return {{"NSApplicationName", name}};
  return {};
}

namespace testhooks {
void setActiveApplicationName(const orvin::String& name) {
  activeNameOverride() = name;
}
void setOpenFileHandler(std::function<bool(const orvin::String& path)> handler) {
  openFileHandler() = std::move(handler);
}
}  // namespace testhooks

}  // namespace wendlock
