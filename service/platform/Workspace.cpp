#include "service/platform/Workspace.h"

#include <glib.h>

#include <cstdio>
#include <string>

#include "service/platform/Bundle.h"
#include "service/platform/Desktop.h"
#include "service/platform/DisplayProbe.h"
#include "service/platform/Module.h"
#include "support/Log.h"

namespace wendlock {
namespace {
orvin::String& activeNameOverride() {
  static orvin::String name;
  return name;
}
void* gio(const char* symbol, std::string* why) {
  return librarySymbol("libgio-2.0.so.0", symbol, why);
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
  // GIO is loaded for this one call: no other part of a run needs it.
  std::string why;
  const auto newForPath =
      reinterpret_cast<void* (*)(const char*)>(gio("g_file_new_for_path", &why));
  const auto getUri = reinterpret_cast<char* (*)(void*)>(gio("g_file_get_uri", &why));
  const auto launch = reinterpret_cast<gboolean (*)(const char*, void*, GError**)>(
      gio("g_app_info_launch_default_for_uri", &why));
  const auto unref = reinterpret_cast<void (*)(void*)>(gio("g_object_unref", &why));
  if (!newForPath || !getUri || !launch || !unref) {
    orvin::NSLog(u"Cannot open a document: %@", {orvin::String::withUtf8(why)});
    return false;
  }
  void* file = newForPath(path.toUtf8().c_str());
  gchar* uri = getUri(file);
  GError* error = nullptr;
  const gboolean launched = launch(uri, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  g_free(uri);
  unref(file);
  return launched != FALSE;
}

std::map<std::string, orvin::String> NSWorkspace::activeApplication() const {
  if (!activeNameOverride().isNil()) return {{"NSApplicationName", activeNameOverride()}};
  if (Desktop* d = desktop()) {
    const orvin::String name = d->activeApplicationName();
    if (!name.isNil()) return {{"NSApplicationName", name}};
  }
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
