#include "service/platform/gtk/BluetoothSettings.h"

#include <glib.h>

#include <cstdlib>

namespace wendlock {
namespace {

struct Settings {
  const char* desktop;  // as XDG_CURRENT_DESKTOP names it
  std::vector<std::string> command;
};

const Settings kSettings[] = {
    {"GNOME", {"gnome-control-center", "bluetooth"}},
    {"KDE", {"systemsettings", "kcm_bluetooth"}},
    {"X-Cinnamon", {"blueberry"}},
    {"XFCE", {"blueman-manager"}},
};

std::string inPath(const std::string& program) {
  gchar* path = g_find_program_in_path(program.c_str());
  std::string found = path != nullptr ? path : "";
  g_free(path);
  return found;
}

}  // namespace

std::vector<std::string> bluetoothSettingsCommand() {
  const char* current = std::getenv("XDG_CURRENT_DESKTOP");
  gchar** desktops = g_strsplit(current != nullptr ? current : "", ":", -1);
  std::vector<const Settings*> order;
  for (const Settings& s : kSettings) {
    if (g_strv_contains(desktops, s.desktop)) order.push_back(&s);
  }
  g_strfreev(desktops);
  for (const Settings& s : kSettings) order.push_back(&s);
  for (const Settings* s : order) {
    const std::string program = inPath(s->command.front());
    if (program.empty()) continue;
    std::vector<std::string> command = s->command;
    command.front() = program;
    return command;
  }
  return {};
}

bool launchDetached(const std::vector<std::string>& command) {
  if (command.empty()) return false;
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                       nullptr, nullptr) == TRUE;
}

}  // namespace wendlock
