// A selection owner for the tests: owns PRIMARY or CLIPBOARD with several
// targets, each answered with its own bytes, unlike xclip, which offers one
// target and answers every target with it.
//
//   selection_owner --primary|--clipboard [--exit-on-request] < "SIZE TARGET\nBYTES"...
//
// Prints "ready" once it owns the selection. Exits when another client
// takes the selection, after 30 seconds, or on a signal; so a test that
// forgets it does not leave it behind. With --exit-on-request it exits in
// the middle of the first request for data, as an owner that crashes does.
#include <gtk/gtk.h>

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> contents;
bool exitOnRequest = false;

void provide(GtkClipboard*, GtkSelectionData* selection, guint info, gpointer) {
  if (exitOnRequest) _exit(0);
  const std::string& data = contents.at(info);
  gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8,
                         reinterpret_cast<const guchar*>(data.data()),
                         static_cast<gint>(data.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 2;
  const bool clipboard = argc > 1 && std::string(argv[1]) == "--clipboard";
  exitOnRequest = argc > 2 && std::string(argv[2]) == "--exit-on-request";
  std::vector<GtkTargetEntry> targets;
  for (std::size_t size = 0; std::cin >> size && std::cin.get() == ' ';) {
    std::string name;
    std::getline(std::cin, name);
    targets.push_back({g_strdup(name.c_str()), 0, static_cast<guint>(targets.size())});
    contents.emplace_back(size, '\0');
    std::cin.read(contents.back().data(), static_cast<std::streamsize>(size));
  }
  if (targets.empty() ||
      !gtk_clipboard_set_with_data(
          gtk_clipboard_get(clipboard ? GDK_SELECTION_CLIPBOARD : GDK_SELECTION_PRIMARY),
          targets.data(), static_cast<guint>(targets.size()), provide,
          [](GtkClipboard*, gpointer) { gtk_main_quit(); }, nullptr)) {
    return 1;
  }
  g_timeout_add_seconds(
      30,
      [](gpointer) {
        gtk_main_quit();
        return G_SOURCE_REMOVE;
      },
      nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  gtk_main();
  return 0;
}
