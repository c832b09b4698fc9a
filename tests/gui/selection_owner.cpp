// A selection owner for the tests: owns PRIMARY or CLIPBOARD with the given
// targets, each answered with the bytes of a file, unlike xclip, which
// offers one target and answers every target with it.
//
//   selection_owner --primary|--clipboard [--timeout SECONDS] TARGET=FILE...
//
// Prints "ready" once it owns the selection. A FILE name holds no '='. Exits when another client
// takes the selection, when the timeout passes (30 seconds by default), or on a signal; so a test
// that forgets it does not leave it behind.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::string> contents;

void provide(GtkClipboard*, GtkSelectionData* selection, guint info, gpointer) {
  const std::string& data = contents.at(info);
  gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8,
                         reinterpret_cast<const guchar*>(data.data()),
                         static_cast<gint>(data.size()));
}

void lost(GtkClipboard*, gpointer) {
  gtk_main_quit();
}

gboolean timedOut(gpointer) {
  gtk_main_quit();
  return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "selection_owner: no display\n");
    return 2;
  }
  GdkAtom selection = GDK_SELECTION_PRIMARY;
  double timeout = 30;
  std::vector<GtkTargetEntry> targets;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--primary") {
      selection = GDK_SELECTION_PRIMARY;
    } else if (a == "--clipboard") {
      selection = GDK_SELECTION_CLIPBOARD;
    } else if (a == "--timeout" && i + 1 < argc) {
      timeout = std::atof(argv[++i]);
    } else if (const auto eq = a.rfind('='); eq != std::string::npos) {
      std::ifstream in(a.substr(eq + 1), std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "selection_owner: cannot read %s\n", a.c_str() + eq + 1);
        return 2;
      }
      names.push_back(a.substr(0, eq));
      contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
      std::fprintf(stderr, "selection_owner: bad argument %s\n", a.c_str());
      return 2;
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    targets.push_back(GtkTargetEntry{names[i].data(), 0, static_cast<guint>(i)});
  }
  GtkClipboard* clipboard = gtk_clipboard_get(selection);
  if (targets.empty() ||
      !gtk_clipboard_set_with_data(clipboard, targets.data(), static_cast<guint>(targets.size()),
                                   provide, lost, nullptr)) {
    std::fprintf(stderr, "selection_owner: cannot own the selection\n");
    return 1;
  }
  g_timeout_add(static_cast<guint>(timeout * 1000), timedOut, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  gtk_main();
  return 0;
}
