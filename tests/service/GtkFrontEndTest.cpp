// The GTK front end on a real X server (Xvfb, no window manager), driven
// from outside with xdotool as a user would. Each case runs the front end in
// a child: this test binary again, which turns into the probe below when
// WENDLOCK_GTK_PROBE names what to show. The probe prints what its window
// holds (from the widget tree) and then the answer; the test reads both.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "service/platform/gtk/GtkFrontEnd.h"

// Last: its macros (None, Status, Bool) would rewrite the headers above.
#include <X11/Xlib.h>

extern char** environ;

namespace wendlock {
namespace {

using Clock = std::chrono::steady_clock;
// Bounds every wait on the X server or the probe, so a lost window fails
// the case instead of hanging it.
constexpr auto kPatience = std::chrono::seconds(20);

// ---- The probe (runs in the child) ----------------------------------------

std::string join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : " | ") + p;
  return out;
}

std::string withoutMnemonic(const char* label) {
  std::string s = label != nullptr ? label : "";
  std::erase(s, '_');
  return s;
}

struct Seen {
  std::vector<std::string> text, buttons, sensitive, clicks, rows;
  std::string defaultButton, focus = "none";
  bool searching = false;
  int selected = -1;
};

// "NAME@X,Y": the screen point of (x, y) in `w`.
std::string pointName(const std::string& name, GtkWidget* w, GtkWidget* top, int x, int y) {
  int tx = 0, ty = 0, ox = 0, oy = 0;
  gtk_widget_translate_coordinates(w, top, x, y, &tx, &ty);
  gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
  return name + "@" + std::to_string(ox + tx) + "," + std::to_string(oy + ty);
}

void look(GtkWidget* w, GtkWidget* top, Seen* seen) {
  if (!gtk_widget_is_visible(w)) return;
  if (GTK_IS_BUTTON(w)) {
    if (gtk_button_get_label(GTK_BUTTON(w)) == nullptr) return;  // a column header
    const std::string label = withoutMnemonic(gtk_button_get_label(GTK_BUTTON(w)));
    seen->buttons.push_back(label);
    if (gtk_widget_is_sensitive(w)) seen->sensitive.push_back(label);
    if (gtk_widget_has_default(w)) seen->defaultButton = label;
    if (gtk_widget_has_focus(w)) seen->focus = label;
    seen->clicks.push_back(pointName(label, w, top, gtk_widget_get_allocated_width(w) / 2,
                                     gtk_widget_get_allocated_height(w) / 2));
    return;
  }
  if (GTK_IS_LABEL(w)) {
    const char* t = gtk_label_get_text(GTK_LABEL(w));
    if (t != nullptr && *t != '\0') seen->text.push_back(t);
  }
  if (GTK_IS_SPINNER(w)) {
    gboolean active = FALSE;
    g_object_get(w, "active", &active, nullptr);
    seen->searching = active != FALSE;
  }
  if (GTK_IS_TREE_VIEW(w)) {
    if (gtk_widget_has_focus(w)) seen->focus = "list";
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(w));
    GtkTreeIter it;
    for (bool ok = gtk_tree_model_get_iter_first(model, &it); ok;
         ok = gtk_tree_model_iter_next(model, &it)) {
      gchar *name = nullptr, *address = nullptr, *paired = nullptr;
      gtk_tree_model_get(model, &it, 0, &name, 1, &address, 2, &paired, -1);
      seen->rows.push_back(std::string(name) + ", " + address + ", " + paired);
      // Where a click on the row lands, named "row0", "row1"...
      GdkRectangle cell;
      GtkTreePath* path = gtk_tree_model_get_path(model, &it);
      gtk_tree_view_get_cell_area(GTK_TREE_VIEW(w), path, nullptr, &cell);
      gtk_tree_path_free(path);
      int wx = 0, wy = 0;
      gtk_tree_view_convert_bin_window_to_widget_coords(GTK_TREE_VIEW(w), 40,
                                                        cell.y + cell.height / 2, &wx, &wy);
      seen->clicks.push_back(
          pointName("row" + std::to_string(seen->rows.size() - 1), w, top, wx, wy));
      g_free(name);
      g_free(address);
      g_free(paired);
    }
    GtkTreeIter sel;
    if (gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(w)), nullptr,
                                        &sel)) {
      GtkTreePath* path = gtk_tree_model_get_path(model, &sel);
      seen->selected = gtk_tree_path_get_indices(path)[0];
      gtk_tree_path_free(path);
    }
  }
  if (GTK_IS_CONTAINER(w)) {
    std::pair<GtkWidget*, Seen*> where(top, seen);
    gtk_container_forall(
        GTK_CONTAINER(w),
        [](GtkWidget* c, gpointer d) {
          auto* p = static_cast<std::pair<GtkWidget*, Seen*>*>(d);
          look(c, p->first, p->second);
        },
        &where);
  }
}

// One line per shown dialog, fields separated by tabs.
gboolean reportWindows(gpointer last) {
  std::string line;
  GList* windows = gtk_window_list_toplevels();
  for (GList* l = windows; l != nullptr; l = l->next) {
    GtkWidget* top = GTK_WIDGET(l->data);
    if (!GTK_IS_DIALOG(top) || !gtk_widget_get_mapped(top)) continue;
    Seen seen;
    look(top, top, &seen);
    line += std::string("title=") + gtk_window_get_title(GTK_WINDOW(top)) +
            "\ttext=" + join(seen.text) + "\tbuttons=" + join(seen.buttons) +
            "\tsensitive=" + join(seen.sensitive) + "\tdefault=" + seen.defaultButton +
            "\tfocus=" + seen.focus + "\trows=" + join(seen.rows) +
            "\tselected=" + std::to_string(seen.selected) +
            "\tsearching=" + (seen.searching ? "1" : "0") + "\tclick=" + join(seen.clicks);
  }
  g_list_free(windows);
  auto* previous = static_cast<std::string*>(last);
  if (!line.empty() && line != *previous) {
    std::printf("PROBE:WINDOW %s\n", line.c_str());
    std::fflush(stdout);
  }
  *previous = line;
  return G_SOURCE_CONTINUE;
}

// A live source the test edits through the probe's standard input:
// "add NAME|ADDRESS|paired" (at the end), "insert ..." (in front),
// "remove ADDRESS", "stop".
class ScriptedSource : public DeviceSource {
 public:
  bool start(std::function<void()> changed, std::string*) override {
    changed_ = std::move(changed);
    return true;
  }
  void stop() override { searching_ = false; }
  [[nodiscard]] std::vector<DeviceEntry> entries() const override { return entries_; }
  [[nodiscard]] bool isSearching() const override { return searching_; }

  void command(const std::string& line) {
    if (line.rfind("add ", 0) == 0 || line.rfind("insert ", 0) == 0) {
      std::stringstream in(line.substr(line.find(' ') + 1));
      DeviceEntry e;
      std::string paired;
      std::getline(in, e.name, '|');
      std::getline(in, e.address, '|');
      std::getline(in, paired);
      e.paired = paired == "paired";
      e.record.kind = ServiceRecord::Kind::Bluetooth;
      e.record.address = e.address;
      e.record.name = e.name;
      entries_.insert(line[0] == 'i' ? entries_.begin() : entries_.end(), e);
    } else if (line.rfind("remove ", 0) == 0) {
      std::erase_if(entries_, [&](const DeviceEntry& e) { return e.address == line.substr(7); });
    } else if (line == "stop") {
      searching_ = false;
    }
    if (changed_) changed_();
  }

 private:
  std::vector<DeviceEntry> entries_;
  bool searching_ = true;
  std::function<void()> changed_;
};

gboolean readCommand(GIOChannel* channel, GIOCondition, gpointer source) {
  gchar* line = nullptr;
  if (g_io_channel_read_line(channel, &line, nullptr, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
    return G_SOURCE_REMOVE;
  }
  std::string text(line);
  g_free(line);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  static_cast<ScriptedSource*>(source)->command(text);
  return G_SOURCE_CONTINUE;
}

// "alert", "notice", "chooser" (live, two entries, searching) or "list"
// (fixed, three targets). WENDLOCK_GTK_PROBE_TEXT is the alert's message.
int runProbe(const std::string& mode) {
  std::unique_ptr<FrontEnd> front = makeGtkFrontEnd();
  if (!front) return 3;
  front->activate();
  std::string last;
  g_timeout_add(50, reportWindows, &last);
  std::string answer;
  const char* text = std::getenv("WENDLOCK_GTK_PROBE_TEXT");
  if (mode == "alert") {
    front->showCriticalAlert("Wendlock", text != nullptr ? text : "");
    answer = "closed";
  } else if (mode == "notice") {
    answer = front->showInformationalAlert("Wendlock", "Sends the selected text.", "Quit",
                                           "Help") == FrontEnd::Answer::Alternate
                 ? "alternate"
                 : "default";
  } else if (mode == "chooser") {
    ScriptedSource source;
    (void)source.start([] {}, nullptr);  // as the browser starts it
    source.command("add Pixel 7|F0:5C:77:12:34:56|paired");
    source.command("add Kitchen radio|00:1A:7D:DA:71:13|");
    GIOChannel* in = g_io_channel_unix_new(STDIN_FILENO);
    g_io_add_watch(in, G_IO_IN, readCommand, &source);
    const std::optional<ServiceRecord> chosen = front->chooseDevice(source);
    answer = chosen ? chosen->address : "cancel";
  } else if (mode == "list") {
    std::vector<ServiceRecord> targets;
    for (const char* t : {"tcp:127.0.0.1:9650", "tcp:127.0.0.1:9651", "bt:00:1A:7D:DA:71:13"}) {
      targets.push_back(*ServiceRecord::parse(t));
    }
    const std::optional<std::size_t> chosen = front->chooseDevice(targets);
    answer = chosen ? std::to_string(*chosen) : "cancel";
  }
  std::printf("PROBE:ANSWER %s\n", answer.c_str());
  std::fflush(stdout);
  return 0;
}

class ProbeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* mode = std::getenv("WENDLOCK_GTK_PROBE")) {
      const int status = runProbe(mode);
      std::fflush(nullptr);
      std::_Exit(status);
    }
  }
};
[[maybe_unused]] ::testing::Environment* const kProbe =
    ::testing::AddGlobalTestEnvironment(new ProbeEnvironment);

// ---- The driver (runs in the test) ----------------------------------------

bool onPath(const char* tool) {
  gchar* path = g_find_program_in_path(tool);
  g_free(path);
  return path != nullptr;
}

struct Process {
  pid_t pid = -1;
  int in = -1;   // its standard input
  int out = -1;  // its standard output (or the -displayfd pipe)
  std::string pending;
};

// Starts argv with `env` added to ours; `outFd` is where in the child our
// pipe's write end goes (1 for standard output, 3 for Xvfb's -displayfd).
Process spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
              int outFd) {
  int toChild[2], fromChild[2];
  Process p;
  if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) return p;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], outFd);
  if (outFd != 1) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  std::vector<std::string> envText;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string kv = *e;
    if (!env.contains(kv.substr(0, kv.find('=')))) envText.push_back(kv);
  }
  for (const auto& [k, v] : env) envText.push_back(k + "=" + v);
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  if (posix_spawnp(&p.pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) p.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(toChild[0]);
  ::close(fromChild[1]);
  p.in = toChild[1];
  p.out = fromChild[0];
  return p;
}

// The next line from `p`, or nullopt at its end or at the deadline.
std::optional<std::string> readLine(Process& p, Clock::time_point deadline) {
  for (;;) {
    if (const std::size_t nl = p.pending.find('\n'); nl != std::string::npos) {
      std::string line = p.pending.substr(0, nl);
      p.pending.erase(0, nl + 1);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd fd{p.out, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
      return std::nullopt;
    }
    char buffer[4096];
    const ssize_t n = ::read(p.out, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    p.pending.append(buffer, static_cast<std::size_t>(n));
  }
}

int finish(Process& p, bool kill) {
  if (p.in >= 0) ::close(p.in);
  if (p.out >= 0) ::close(p.out);
  p.in = p.out = -1;
  if (p.pid <= 0) return -1;
  if (kill) ::kill(p.pid, SIGTERM);
  int status = 0;
  const auto deadline = Clock::now() + kPatience;
  while (::waitpid(p.pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) ::kill(p.pid, SIGKILL);
    ::usleep(20000);
  }
  p.pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a tool to its end (bounded by timeout(1)); its standard output.
std::string run(std::vector<std::string> argv, const std::string& display) {
  argv.insert(argv.begin(), {"timeout", "10"});
  Process p = spawn(argv, {{"DISPLAY", display}}, 1);
  std::string out;
  while (const auto line = readLine(p, Clock::now() + kPatience)) out += *line + "\n";
  finish(p, false);
  return out;
}

// The window manager's close request, which xdotool cannot send.
void requestClose(const std::string& display, unsigned long window) {
  void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(x11, nullptr);
  auto open = reinterpret_cast<Display* (*)(const char*)>(::dlsym(x11, "XOpenDisplay"));
  auto atom = reinterpret_cast<Atom (*)(Display*, const char*, Bool)>(::dlsym(x11, "XInternAtom"));
  auto send = reinterpret_cast<Status (*)(Display*, Window, Bool, long, XEvent*)>(
      ::dlsym(x11, "XSendEvent"));
  auto close = reinterpret_cast<int (*)(Display*)>(::dlsym(x11, "XCloseDisplay"));
  Display* d = open(display.c_str());
  ASSERT_NE(d, nullptr);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = atom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(atom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  send(d, window, False, NoEventMask, &e);
  close(d);  // flushes
  ::dlclose(x11);
}

using Fields = std::map<std::string, std::string>;

Fields parse(const std::string& line) {
  Fields f;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) {
    const std::size_t eq = field.find('=');
    if (eq != std::string::npos) f[field.substr(0, eq)] = field.substr(eq + 1);
  }
  return f;
}

// The screen point of button `label` from the probe's "click" field.
std::pair<std::string, std::string> pointOf(const Fields& f, const std::string& label) {
  std::stringstream in(f.at("click"));
  for (std::string item; std::getline(in, item, '|');) {
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    while (!item.empty() && item.back() == ' ') item.pop_back();
    if (item.rfind(label + "@", 0) == 0) {
      const std::string xy = item.substr(label.size() + 1);
      return {xy.substr(0, xy.find(',')), xy.substr(xy.find(',') + 1)};
    }
  }
  return {"0", "0"};
}

class GtkFrontEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* tool : {"Xvfb", "xdotool", "import", "timeout"}) {
      if (!onPath(tool)) return;
    }
    // Xvfb picks a free display itself and names it on fd 3 once it is ready.
    server_ = new Process(spawn(
        {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, 3));
    if (const auto number = readLine(*server_, Clock::now() + kPatience)) display_ = ":" + *number;
  }
  static void TearDownTestSuite() {
    if (server_ != nullptr) finish(*server_, true);
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (display_.empty()) GTEST_SKIP() << "needs Xvfb, xdotool and ImageMagick's import";
  }
  void TearDown() override {
    if (probe_.pid > 0) finish(probe_, true);
  }

  void start(const std::string& mode, const std::string& text = "") {
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const char* asan = std::getenv("ASAN_OPTIONS");
    probe_ = spawn({self, "--gtest_filter=GtkFrontEndTest.*"},
                   {{"DISPLAY", display_},
                    {"WENDLOCK_GTK_PROBE", mode},
                    {"WENDLOCK_GTK_PROBE_TEXT", text},
                    {"GDK_BACKEND", "x11"},
                    // GTK keeps its caches to the end of the process.
                    {"ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":detect_leaks=0"}},
                   1);
    ASSERT_GT(probe_.pid, 0);
  }
  // The probe's latest window that satisfies `ready`.
  Fields waitFor(const std::function<bool(const Fields&)>& ready) {
    const auto deadline = Clock::now() + kPatience;
    while (const auto line = readLine(probe_, deadline)) {
      if (line->rfind("PROBE:WINDOW ", 0) != 0) continue;
      const Fields f = parse(line->substr(13));
      if (ready(f)) return f;
    }
    ADD_FAILURE() << "the window never showed as expected";
    return {};
  }
  std::string answer() {
    const auto deadline = Clock::now() + kPatience;
    while (const auto line = readLine(probe_, deadline)) {
      if (line->rfind("PROBE:ANSWER ", 0) == 0) {
        EXPECT_EQ(finish(probe_, false), 0);
        return line->substr(13);
      }
    }
    return "no answer";
  }
  void tell(const std::string& command) {
    const std::string line = command + "\n";
    ASSERT_EQ(::write(probe_.in, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  unsigned long window() {
    std::string found;
    for (auto until = Clock::now() + kPatience; found.empty() && Clock::now() < until;) {
      found = run({"xdotool", "search", "--onlyvisible", "--name", "^Wendlock$"}, display_);
    }
    return std::stoul(found.empty() ? "0" : found);
  }
  // The user's actions, separated by ";": "key:NAME ...", "click:BUTTON",
  // "click:rowN", "double:rowN", "close".
  void act(const std::string& actions, const Fields& f) {
    std::stringstream list(actions);
    for (std::string action; std::getline(list, action, ';');) act1(action, f);
  }
  void act1(const std::string& action, const Fields& f) {
    const std::string id = std::to_string(window());
    if (action.rfind("key:", 0) == 0) {
      std::vector<std::string> argv = {"xdotool", "windowfocus", "--sync", id, "key"};
      std::stringstream keys(action.substr(4));
      for (std::string k; keys >> k;) argv.push_back(k);
      run(argv, display_);
    } else if (action.rfind("click:", 0) == 0 || action.rfind("double:", 0) == 0) {
      const auto [x, y] = pointOf(f, action.substr(action.find(':') + 1));
      const std::string count = action[0] == 'd' ? "2" : "1";
      // No --sync: it waits for ever when the pointer is already there.
      run({"xdotool", "mousemove", x, y, "click", "--repeat", count, "1"}, display_);
    } else if (action == "close") {
      requestClose(display_, std::stoul(id));
    }
  }
  // Keeps a picture of the window beside the test binary.
  void screenshot(const std::string& name) {
    std::filesystem::create_directories("gtk-screenshots");
    run({"import", "-window", std::to_string(window()), "gtk-screenshots/" + name + ".png"},
        display_);
  }

  static inline Process* server_ = nullptr;
  static inline std::string display_;
  Process probe_;
};

TEST_F(GtkFrontEndTest, CriticalAlertShowsTitleAndMessageAndOkClosesIt) {
  struct Case {
    std::string message, shown, action;
  } cases[] = {
      {"Connection failed.", "Connection failed.", "key:Return"},
      // Shown as written: neither a format nor dropped for its bad byte.
      {"100% %s %n done \xff.", "100% %s %n done \xEF\xBF\xBD.", "click:OK"},
      {"No data to send.", "No data to send.", "close"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    start("alert", c.message);
    const Fields f = waitFor([](const Fields& f) { return !f.at("click").empty(); });
    EXPECT_EQ(f.at("title"), "Wendlock");
    EXPECT_EQ(f.at("text"), "Wendlock | " + c.shown);
    EXPECT_EQ(f.at("buttons"), "OK");
    EXPECT_EQ(f.at("default"), "OK");
    if (c.shown == "No data to send.") screenshot("alert");
    act(c.action, f);
    EXPECT_EQ(answer(), "closed");
  }
}

TEST_F(GtkFrontEndTest, LaunchNoticeQuitIsTheDefaultAndHelpTheAlternate) {
  const std::pair<std::string, std::string> cases[] = {
      {"key:Return", "default"},       {"click:Help", "alternate"},
      {"key:Tab Return", "alternate"},  // Tab moves on to Help
      {"key:Escape", "default"},       {"close", "default"},
  };
  for (const auto& [action, expected] : cases) {
    SCOPED_TRACE(action);
    start("notice");
    const Fields f = waitFor([](const Fields& f) { return f.at("focus") == "Quit"; });
    EXPECT_EQ(f.at("title"), "Wendlock");
    EXPECT_EQ(f.at("text"), "Wendlock | Sends the selected text.");
    EXPECT_EQ(f.at("buttons"), "Help | Quit");
    EXPECT_EQ(f.at("default"), "Quit");
    if (action == "key:Return") screenshot("notice");
    act(action, f);
    EXPECT_EQ(answer(), expected);
  }
}

TEST_F(GtkFrontEndTest, ChooserFollowsItsSourceAndAnswersTheChosenDevice) {
  struct Case {
    std::vector<std::string> commands;  // sent once the window shows
    std::string action, expected;
  } cases[] = {
      {{}, "key:Return", "F0:5C:77:12:34:56"},
      {{}, "key:Down Return", "00:1A:7D:DA:71:13"},
      {{"add Laptop|11:22:33:44:55:66|"}, "key:Down Down Return", "11:22:33:44:55:66"},
      {{}, "click:Send", "F0:5C:77:12:34:56"},
      {{}, "double:row1", "00:1A:7D:DA:71:13"},
      {{}, "click:row1;click:Send", "00:1A:7D:DA:71:13"},
      {{}, "key:Escape", "cancel"},
      {{}, "click:Cancel", "cancel"},
      {{}, "close", "cancel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    start("chooser");
    Fields f = waitFor([](const Fields& f) { return f.at("focus") == "list"; });
    EXPECT_EQ(f.at("title"), "Wendlock");
    EXPECT_EQ(f.at("rows"), "Pixel 7, F0:5C:77:12:34:56, Yes | Kitchen radio, 00:1A:7D:DA:71:13, ");
    EXPECT_EQ(f.at("selected"), "0");
    EXPECT_EQ(f.at("searching"), "1");
    EXPECT_NE(f.at("text").find("Searching for devices…"), std::string::npos);
    EXPECT_EQ(f.at("sensitive"), "Cancel | Send");
    for (const std::string& command : c.commands) tell(command);
    if (!c.commands.empty()) {
      f = waitFor([](const Fields& f) { return f.at("rows").find("Laptop") != std::string::npos; });
      screenshot("chooser");
    }
    act(c.action, f);
    EXPECT_EQ(answer(), c.expected);
  }
}

TEST_F(GtkFrontEndTest, ChooserKeepsTheUsersRowAcrossChanges) {
  start("chooser");
  (void)waitFor([](const Fields& f) { return f.at("focus") == "list"; });
  act("key:Down", {});
  (void)waitFor([](const Fields& f) { return f.at("selected") == "1"; });
  // Each step: a change to the source, the row that shows, the selection.
  const std::tuple<std::string, std::string, std::string> steps[] = {
      {"insert Watch|C4:11:22:33:44:55|paired", "Watch", "2"},  // still the radio
      {"remove F0:5C:77:12:34:56", "-Pixel", "1"},
      {"remove 00:1A:7D:DA:71:13", "-Kitchen", "0"},  // gone: the first row
      {"remove C4:11:22:33:44:55", "-Watch", "-1"},
  };
  Fields f;
  for (const auto& [command, expectedRow, selected] : steps) {
    SCOPED_TRACE(command);
    tell(command);
    const std::string& row = expectedRow;  // clang 14 cannot capture a binding
    f = waitFor([&row](const Fields& f) {
      return row[0] == '-' ? f.at("rows").find(row.substr(1)) == std::string::npos
                           : f.at("rows").find(row) != std::string::npos;
    });
    EXPECT_EQ(f.at("selected"), selected);
  }
  tell("stop");
  f = waitFor([](const Fields& f) { return f.at("searching") == "0"; });
  EXPECT_EQ(f.at("rows"), "");
  EXPECT_EQ(f.at("text"), "Send to which device? | No devices found.");
  EXPECT_EQ(f.at("sensitive"), "Cancel");
  // Enter with nothing to choose does not answer; Escape still cancels.
  act("key:Return Escape", f);
  EXPECT_EQ(answer(), "cancel");
}

TEST_F(GtkFrontEndTest, ChooserOverFixedTargetsAnswersTheirIndex) {
  start("list");
  const Fields f = waitFor([](const Fields& f) { return f.at("focus") == "list"; });
  EXPECT_EQ(f.at("rows"),
            "tcp:127.0.0.1:9650, tcp:127.0.0.1:9650,  | tcp:127.0.0.1:9651, tcp:127.0.0.1:9651,  | "
            "bt:00:1A:7D:DA:71:13, bt:00:1A:7D:DA:71:13, ");
  EXPECT_EQ(f.at("searching"), "0");
  act("key:End Return", f);
  EXPECT_EQ(answer(), "2");
}

}  // namespace
}  // namespace wendlock
