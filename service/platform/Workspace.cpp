#include "service/platform/Workspace.h"

#include <gio/gio.h>

namespace wendlock {

NSWorkspace& NSWorkspace::sharedWorkspace() {
  static NSWorkspace workspace;
  return workspace;
}

bool NSWorkspace::openFile(const orvin::String& path) {
  if (path.isEmpty()) return false;
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
  return {};
}

}  // namespace wendlock
