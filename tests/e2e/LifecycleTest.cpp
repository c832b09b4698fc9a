// The process's life as a user meets it on a terminal: opened by hand it
// shows the launch notice after its first tick and ends on the answer; with
// a request it serves it at once; with several targets it asks which.

#include <thread>

#include "E2ETest.h"

namespace wendlock::e2e {
namespace {

constexpr const char* kNoticePrompt = "[Quit] / Help? ";
constexpr const char* kChooserPrompt = "Number, or Enter to cancel: ";

class Notice : public E2ETest {
 protected:
  Notice() { needsReceiver_ = false; }

  // A folder holding "Read Me.pdf", and a desktop whose default PDF viewer
  // only writes the path it was given to `opened`, so the test sees the
  // open without any real viewer appearing.
  std::vector<std::string> environmentWithReadMe(fs::path* readMe, fs::path* opened) {
    const fs::path env = dir_.path() / "env";
    const fs::path resources = dir_.path() / "with-read-me";
    fs::create_directories(resources);
    *readMe = resources / "Read Me.pdf";
    *opened = dir_.path() / "opened";
    const fs::path viewer = dir_.path() / "viewer.sh";
    EXPECT_TRUE(writeFile(*readMe, "%PDF-1.4\n%%EOF\n"));
    EXPECT_TRUE(writeFile(viewer, "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened->string() + "'\n"));
    fs::permissions(viewer, fs::perms::owner_all);
    fs::create_directories(env / "data" / "applications");
    // Also the types a PDF is taken for where no MIME database is installed.
    const std::string types = "application/pdf;application/octet-stream;text/plain;";
    EXPECT_TRUE(writeFile(env / "data" / "applications" / "wendlock-e2e-viewer.desktop",
                          "[Desktop Entry]\nType=Application\nName=Test viewer\nExec=" +
                              viewer.string() + " %f\nMimeType=" + types + "\n"));
    std::string defaults = "[Default Applications]\n";
    for (const char* type : {"application/pdf", "application/octet-stream", "text/plain"}) {
      defaults += std::string(type) + "=wendlock-e2e-viewer.desktop\n";
    }
    EXPECT_TRUE(writeFile(env / "config" / "mimeapps.list", defaults));
    std::vector<std::string> changed = env_;
    for (std::string& variable : changed) {
      if (variable.starts_with("WENDLOCK_RESOURCES=")) {
        variable = "WENDLOCK_RESOURCES=" + resources.string();
      }
    }
    return changed;
  }
};

TEST_F(Notice, AnswersToTheLaunchNotice) {
  fs::path readMe;
  fs::path opened;
  const std::vector<std::string> withReadMe = environmentWithReadMe(&readMe, &opened);
  struct Case {
    const char* label;
    const char* keys;
    bool readMeThere;
    bool beeps;
  };
  const std::vector<Case> cases = {
      {"Enter takes Quit", "\n", false, false},
      {"q", "q\n", false, false},
      {"Quit", "Quit\n", false, false},
      {"Help without a Read Me", "h\n", false, true},
      {"Help with a Read Me", "Help\n", true, false},
  };
  // Started together: each spends its first tick alone.
  std::vector<Child> runs;
  for (const Case& c : cases) {
    Launch launch = wendlock({});
    if (c.readMeThere) launch.env = withReadMe;
    launch.terminal = true;
    runs.push_back(Child::start(launch));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Child& run = runs[i];
    SCOPED_TRACE(c.label);
    const std::optional<std::size_t> prompt = run.waitForTerminal(kNoticePrompt);
    ASSERT_TRUE(prompt) << describe(run);
    const std::string notice = run.tty.substr(0, *prompt);
    EXPECT_TRUE(notice.starts_with("Wendlock\n\n")) << notice;
    // A real text, not the bare localization key.
    EXPECT_EQ(notice.find("SERVICE_LAUNCH"), std::string::npos) << notice;
    EXPECT_NE(notice.find("Bluetooth"), std::string::npos) << notice;
    run.type(c.keys);
    ASSERT_TRUE(run.waitExit()) << describe(run);
    SCOPED_TRACE(describe(run));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(alertsIn(run.err), Alerts{});
    EXPECT_EQ(run.tty.find('\a', *prompt) != std::string::npos, c.beeps);
  }
  // The viewer runs on its own after wendlock has ended.
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!fs::exists(opened) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(readFile(opened), readMe.string());
}

TEST_F(Notice, WithoutATerminalTheNoticeGoesToStandardError) {
  Child run = Child::start(wendlock({}));
  ASSERT_TRUE(run.waitExit());
  SCOPED_TRACE(describe(run));
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_NE(run.err.find("Wendlock\n\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Bluetooth"), std::string::npos);
  EXPECT_EQ(run.err.find('\a'), std::string::npos);
}

class TerminalPush : public E2ETest {
 protected:
  Launch onTerminal(std::vector<std::string> args) const {
    Launch launch = wendlock(std::move(args));
    launch.terminal = true;
    return launch;
  }

  static void expectOnly(const Receiver& receiver, const std::string& sent) {
    const std::vector<ReceivedObject> objects = receiver.objects();
    ASSERT_EQ(objects.size(), 1u) << describe(receiver.process);
    EXPECT_EQ(objects.front().content, sent);
    EXPECT_EQ(objects.front().type, "text/plain");
  }
};

TEST_F(TerminalPush, RequestIsServedWithoutTheNotice) {
  std::optional<Receiver> receiver = this->receiver("receiver");
  ASSERT_TRUE(receiver);
  Child run = Child::start(onTerminal({"--text", "served at once", "--to", receiver->target()}));
  ASSERT_TRUE(run.waitExit());
  SCOPED_TRACE(describe(run));
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(alertsIn(run.err), Alerts{});
  EXPECT_EQ(run.tty, "");  // neither the notice nor a question
  ASSERT_TRUE(receiver->finish());
  expectOnly(*receiver, "served at once");
}

TEST_F(TerminalPush, ChooserSendsToTheChosenTarget) {
  std::optional<Receiver> first = receiver("first");
  std::optional<Receiver> second = receiver("second");
  ASSERT_TRUE(first && second);
  Child run = Child::start(
      onTerminal({"--to", first->target(), "--to", second->target(), "--text", "for the second"}));
  const std::optional<std::size_t> prompt = run.waitForTerminal(kChooserPrompt);
  ASSERT_TRUE(prompt) << describe(run);
  EXPECT_NE(run.tty.find("1) " + first->target() + "\n"), std::string::npos) << run.tty;
  EXPECT_NE(run.tty.find("2) " + second->target() + "\n"), std::string::npos) << run.tty;
  run.type("9\n");
  const auto again = run.waitForTerminal("Please type a number from 1 to 2.\n", *prompt);
  ASSERT_TRUE(again) << describe(run);
  ASSERT_TRUE(run.waitForTerminal(kChooserPrompt, *again)) << describe(run);
  run.type("2\n");
  ASSERT_TRUE(run.waitExit());
  SCOPED_TRACE(describe(run));
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(alertsIn(run.err), Alerts{});
  ASSERT_TRUE(second->finish());
  expectOnly(*second, "for the second");
  ASSERT_TRUE(first->stop());
  EXPECT_EQ(first->process.out, "");
  EXPECT_EQ(first->process.err.find("connected"), std::string::npos) << first->process.err;
}

TEST_F(TerminalPush, EnterOrQCancelsTheChooserQuietly) {
  for (const char* keys : {"\n", "q\n"}) {
    SCOPED_TRACE(keys);
    std::optional<Receiver> first = receiver(std::string("first") + keys[0]);
    std::optional<Receiver> second = receiver(std::string("second") + keys[0]);
    ASSERT_TRUE(first && second);
    Child run = Child::start(
        onTerminal({"--to", first->target(), "--to", second->target(), "--text", "kept"}));
    ASSERT_TRUE(run.waitForTerminal(kChooserPrompt)) << describe(run);
    run.type(keys);
    ASSERT_TRUE(run.waitExit());
    SCOPED_TRACE(describe(run));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(alertsIn(run.err), Alerts{});  // cancelling is not a failure: no alert
    for (Receiver* r : {&*first, &*second}) {
      ASSERT_TRUE(r->stop());
      EXPECT_EQ(r->process.out, "");
    }
  }
}

}  // namespace
}  // namespace wendlock::e2e
