// The process's life as a user meets it on a terminal: opened by hand it
// shows the launch notice after its first tick and ends on the answer; with
// a request it serves it at once; with several targets it asks which.
#include "E2ETest.h"

namespace wendlock::e2e {
namespace {

constexpr const char* kNoticePrompt = "[Quit] / Help? ";
constexpr const char* kChooserPrompt = "Number, or Enter to cancel: ";

class Lifecycle : public E2ETest {
 protected:
  Launch onTerminal(std::vector<std::string> args) const {
    Launch launch = wendlock(std::move(args));
    launch.terminal = true;
    return launch;
  }
};

class Notice : public Lifecycle {
 protected:
  Notice() { needsReceiver_ = false; }
};

TEST_F(Notice, AnswersToTheLaunchNotice) {
  // A folder holding "Read Me.pdf", and a desktop whose default PDF viewer
  // only writes the path it was given to `opened`, so the test sees the
  // open without any real viewer appearing.
  const fs::path resources = dir_.path() / "with-read-me";
  const fs::path readMe = resources / "Read Me.pdf";
  const fs::path opened = dir_.path() / "opened";
  const fs::path viewer = dir_.path() / "viewer.sh";
  const fs::path env = dir_.path() / "env";
  fs::create_directories(resources);
  fs::create_directories(env / "data" / "applications");
  ASSERT_TRUE(writeFile(readMe, "%PDF-1.4\n%%EOF\n"));
  ASSERT_TRUE(writeFile(viewer, "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened.string() + "'\n"));
  fs::permissions(viewer, fs::perms::owner_all);
  // Also the types a PDF is taken for where no MIME database is installed.
  const std::string types = "application/pdf;application/octet-stream;text/plain;";
  ASSERT_TRUE(writeFile(env / "data" / "applications" / "wendlock-e2e-viewer.desktop",
                        "[Desktop Entry]\nType=Application\nName=Test viewer\nExec=" +
                            viewer.string() + " %f\nMimeType=" + types + "\n"));
  std::string defaults = "[Default Applications]\n";
  for (const char* type : {"application/pdf", "application/octet-stream", "text/plain"}) {
    defaults += std::string(type) + "=wendlock-e2e-viewer.desktop\n";
  }
  ASSERT_TRUE(writeFile(env / "config" / "mimeapps.list", defaults));

  // Keys, whether the Read Me is there, whether it beeps. The spellings of
  // the answers are the terminal front end's tests.
  const std::tuple<const char*, bool, bool> cases[] = {
      {"Quit\n", false, false}, {"h\n", false, true}, {"Help\n", true, false}};
  // Started together: each spends its first tick alone.
  std::vector<Child> runs;
  for (const auto& [keys, readMeThere, beeps] : cases) {
    Launch launch = onTerminal({});
    for (std::string& variable : launch.env) {
      if (readMeThere && variable.starts_with("WENDLOCK_RESOURCES=")) {
        variable = "WENDLOCK_RESOURCES=" + resources.string();
      }
    }
    runs.push_back(Child::start(launch));
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    Child& run = runs[i];
    SCOPED_TRACE(std::get<0>(cases[i]));
    const std::optional<std::size_t> prompt = run.waitForTerminal(kNoticePrompt);
    ASSERT_TRUE(prompt) << describe(run);
    const std::string notice = run.tty.substr(0, *prompt);
    EXPECT_TRUE(notice.starts_with("Wendlock\n\n")) << notice;
    // A real text, not the bare localization key.
    EXPECT_EQ(notice.find("SERVICE_LAUNCH"), std::string::npos) << notice;
    EXPECT_NE(notice.find("Bluetooth"), std::string::npos) << notice;
    run.type(std::get<0>(cases[i]));
    ASSERT_TRUE(run.waitExit()) << describe(run);
    SCOPED_TRACE(describe(run));
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(alertsIn(run.err), Alerts{});
    EXPECT_EQ(run.tty.find('\a', *prompt) != std::string::npos, std::get<2>(cases[i]));
    // Without a display no viewer can show the Read Me: the user is told
    // where the manual is instead.
    EXPECT_EQ(run.err.find("wendlock: Read the manual with: man wendlock\n") != std::string::npos,
              std::get<1>(cases[i]));
  }
  EXPECT_FALSE(fs::exists(opened));
}

TEST_F(Lifecycle, RequestIsServedWithoutTheNotice) {
  std::optional<Receiver> receiver = this->receiver("receiver");
  ASSERT_TRUE(receiver);
  Child run = Child::start(onTerminal({"--text", "served at once", "--to", receiver->target()}));
  ASSERT_TRUE(run.waitExit());
  SCOPED_TRACE(describe(run));
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(alertsIn(run.err), Alerts{});
  EXPECT_EQ(run.tty, "");  // neither the notice nor a question
  ASSERT_TRUE(receiver->finish());
  ASSERT_EQ(receiver->objects().size(), 1u) << describe(receiver->process);
  EXPECT_EQ(receiver->objects()[0].content, "served at once");
}

// "9" is refused and asked again, then "2" sends; Enter cancels quietly. No other target is ever
// called.
TEST_F(Lifecycle, ChooserSendsToTheChosenTargetOrCancels) {
  for (const std::string keys : {"9\n2\n", "\n"}) {
    SCOPED_TRACE(keys);
    std::optional<Receiver> first = receiver("first" + std::to_string(keys.size()));
    std::optional<Receiver> second = receiver("second" + std::to_string(keys.size()));
    ASSERT_TRUE(first && second);
    Child run = Child::start(
        onTerminal({"--to", first->target(), "--to", second->target(), "--text", "for 2"}));
    const std::optional<std::size_t> prompt = run.waitForTerminal(kChooserPrompt);
    ASSERT_TRUE(prompt) << describe(run);
    EXPECT_NE(run.tty.find("1) " + first->target() + "\n"), std::string::npos) << run.tty;
    EXPECT_NE(run.tty.find("2) " + second->target() + "\n"), std::string::npos) << run.tty;
    const bool sends = keys.size() > 2;
    if (sends) {
      run.type("9\n");
      const auto again = run.waitForTerminal("Please type a number from 1 to 2.\n", *prompt);
      ASSERT_TRUE(again) << describe(run);
      ASSERT_TRUE(run.waitForTerminal(kChooserPrompt, *again)) << describe(run);
    }
    run.type(sends ? "2\n" : keys);
    ASSERT_TRUE(run.waitExit());
    SCOPED_TRACE(describe(run));
    EXPECT_EQ(run.exitStatus, sends ? 0 : 3);
    EXPECT_EQ(alertsIn(run.err), Alerts{});  // cancelling is not a failure: no alert
    EXPECT_EQ(run.err, sends ? "Sending to " + second->target() + "…\n" : "wendlock: Cancelled.\n");
    ASSERT_TRUE(sends ? second->finish() : second->stop());
    if (sends) {
      ASSERT_EQ(second->objects().size(), 1u) << describe(second->process);
      EXPECT_EQ(second->objects()[0].content, "for 2");
    } else {
      EXPECT_EQ(second->process.out, "");
    }
    ASSERT_TRUE(first->stop());
    EXPECT_EQ(first->process.out, "");
    EXPECT_EQ(first->process.err.find("connected"), std::string::npos) << first->process.err;
  }
}

}  // namespace
}  // namespace wendlock::e2e
