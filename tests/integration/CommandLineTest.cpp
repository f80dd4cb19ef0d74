// The command line against the real program under Xvfb: each command handed to
// the running program (the wallpaper on the root window, the window, the list
// file, the exit status and output of the command), the commands without a
// running program, and what the socket does with messages that keep to no
// protocol.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;
constexpr const char* kTitle = "Tovi WallChanger";
constexpr unsigned long kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    SessionOptions options;
    options.width = 640;
    options.height = 480;
    session = std::make_unique<Session>(options);
    fs::create_directories(session->Home() + "/pics");
    std::string list;
    for (const char* colour : {"red", "lime", "blue"}) {
      const std::string file = session->Home() + "/pics/" + colour + ".png";
      MakePicture(colour, file);
      list += file + "\r\n";
    }
    // The list order: blue, lime, red; the stored entry 0 (blue) is applied at start.
    session->WriteProfile();
    WriteFile(ListFile(), list);
    dpy = XOpenDisplay(session->Display().c_str());
    ASSERT_TRUE(dpy);
  }
  void TearDown() override {
    // A program started by a command lives in a session of its own.
    std::map<std::string, std::string> status = ReadStatus();
    if (status.count("pid")) {
      Toviwall({"--exit"});
      const pid_t pid = std::stoi(status["pid"]);
      if (WaitFor([&] { return ::kill(pid, 0) != 0; }) == false) ::kill(pid, SIGKILL);
    }
    if (dpy) XCloseDisplay(dpy);
  }

  void MakePicture(const std::string& colour, const std::string& file) {
    ASSERT_EQ(session->Tool({"/usr/bin/convert", "-size", "40x30", "xc:" + colour, file}).exitCode, 0)
        << "ImageMagick (/usr/bin/convert) makes the test pictures; scripts/setup installs it";
  }
  std::string ListFile() const {
    const std::string ini = session->DefaultSettingsFile();
    return ini.substr(0, ini.size() - 4) + ".lst";
  }
  std::string Socket() const { return session->RuntimeDir() + "/Tovi_WallChanger"; }

  // toviwall with the arguments, started in `cwd` (the home folder by default).
  RunResult Toviwall(const std::vector<std::string>& args, const std::string& cwd = {}) {
    std::vector<std::string> argv{"sh", "-c", "cd \"$0\" && exec \"$@\"", cwd.empty() ? session->Home() : cwd,
                                  BinaryDir() + "/toviwall"};
    argv.insert(argv.end(), args.begin(), args.end());
    return session->Tool(argv, 90000);
  }
  std::map<std::string, std::string> ReadStatus() {
    std::map<std::string, std::string> keys;
    RunResult r = Toviwall({"--status"});
    if (r.exitCode != 0) return keys;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
  }

  unsigned long Corner() {
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), 2, 2, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
  }
  bool WaitCorner(unsigned long colour) {
    return WaitFor([&] { return Corner() == colour; });
  }

  std::unique_ptr<Session> session;
  Display* dpy = nullptr;
};

#define EXPECT_DONE(result)                                                      \
  do {                                                                           \
    const RunResult r_ = (result);                                               \
    EXPECT_EQ(r_.exitCode, 0) << r_.err << "\n" << ReadFile(session->LastProgramLog()); \
  } while (false)

TEST_F(CommandLineTest, RotationCommandsChangeTheWallpaperAndStatusTellsIt) {
  auto program = session->StartReady();
  ASSERT_TRUE(WaitCorner(kBlue)) << ReadFile(session->LastProgramLog());

  RunResult change = Toviwall({"--change"});
  EXPECT_EQ(change.exitCode, 0) << change.err;
  EXPECT_EQ(change.out, "");
  EXPECT_TRUE(WaitCorner(kGreen)) << std::hex << Corner();

  std::map<std::string, std::string> status = ReadStatus();
  EXPECT_EQ(status["wallpaper"], session->Home() + "/pics/lime.png");
  EXPECT_EQ(status["row"], "2");
  EXPECT_EQ(status["rows"], "3");
  EXPECT_EQ(status["shown"], "yes");
  EXPECT_EQ(status["filling"], "Stretch");
  EXPECT_EQ(status["auto_change"], "on");
  EXPECT_EQ(status["interval_minutes"], "10");
  EXPECT_EQ(status["next_change"].size(), 19u) << status["next_change"];  // 2025-06-01T14:30:00
  const int seconds = std::stoi(status["next_change_seconds"]);
  EXPECT_GT(seconds, 500);
  EXPECT_LE(seconds, 600);
  EXPECT_EQ(status["settings"], session->DefaultSettingsFile());
  EXPECT_EQ(status["pid"], std::to_string(program->Pid()));

  EXPECT_DONE(Toviwall({"--next"}));
  EXPECT_TRUE(WaitCorner(kRed)) << std::hex << Corner();
  EXPECT_DONE(Toviwall({"--previous"}));
  EXPECT_TRUE(WaitCorner(kGreen)) << std::hex << Corner();
  EXPECT_EQ(ReadStatus()["row"], "2");

  EXPECT_DONE(Toviwall({"--none"}));
  EXPECT_TRUE(WaitFor([&] { return Corner() != kGreen; }));
  EXPECT_EQ(ReadStatus()["shown"], "no");
  EXPECT_TRUE(program->Running());
}

TEST_F(CommandLineTest, WindowCommandsShowAndHideTheMainWindow) {
  auto program = session->StartReady();
  EXPECT_DONE(Toviwall({"--show"}));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_DONE(Toviwall({"--show"}));  // stays
  EXPECT_DONE(Toviwall({"--hide"}));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  EXPECT_DONE(Toviwall({"--hide"}));
  EXPECT_DONE(Toviwall({"--toggle"}));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_DONE(Toviwall({"--toggle"}));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
}

TEST_F(CommandLineTest, AddTakesPathsFromTheCallersFolderAndExitEndsTheProgram) {
  auto program = session->StartReady();
  const std::string folder = session->Home() + "/new";
  fs::create_directories(folder + "/sub");
  MakePicture("yellow", folder + "/yellow.png");
  MakePicture("white", folder + "/sub/white.jpg");

  RunResult add = Toviwall({"--add", "yellow.png", "./sub/../sub"}, folder);
  EXPECT_EQ(add.exitCode, 0) << add.err;
  EXPECT_EQ(add.out, "added=2\n");
  EXPECT_EQ(ReadStatus()["rows"], "5");

  RunResult missing = Toviwall({"--add", "nothing.png"}, folder);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("no such file or folder: " + folder + "/nothing.png"), std::string::npos) << missing.err;

  RunResult exit = Toviwall({"--exit"});
  EXPECT_EQ(exit.exitCode, 0) << exit.err;
  // The command returns once the program has let go of its instance lock; the
  // process itself may still be unwinding for a moment after that.
  EXPECT_EQ(program->Wait(5000), std::optional<int>(0)) << ReadFile(session->LastProgramLog());
  const std::string list = ReadFile(ListFile());
  EXPECT_NE(list.find(folder + "/yellow.png\r\n"), std::string::npos) << list;
  EXPECT_NE(list.find(folder + "/sub/white.jpg\r\n"), std::string::npos) << list;

  RunResult after = Toviwall({"--status"});
  EXPECT_EQ(after.exitCode, 3);
  EXPECT_EQ(after.err, "toviwall: Tovi WallChanger is not running\n");
}

TEST_F(CommandLineTest, AnExitThatCouldNotSaveTheListFailsWithTheReason) {
  auto program = session->StartReady();
  ASSERT_EQ(Toviwall({"--status"}).exitCode, 0);  // answered once the start has written the list
  fs::permissions(ListFile(), fs::perms::owner_read);
  RunResult exit = Toviwall({"--exit"});
  EXPECT_EQ(exit.exitCode, 1);
  EXPECT_EQ(exit.err.rfind("toviwall: --exit failed: the program ended, but: ", 0), 0u) << exit.err;
  EXPECT_NE(exit.err.find(ListFile()), std::string::npos) << exit.err;
  EXPECT_EQ(program->Wait(10000), std::optional<int>(0));
}

TEST_F(CommandLineTest, WithoutARunningProgramSomeCommandsStartItAndOthersSaySo) {
  RunResult help = Toviwall({"--next", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* line : {"--change", "--next", "--previous", "--none", "--add PATH", "--show", "--hide", "--toggle",
                           "--status", "--exit", "--version", "XDG_RUNTIME_DIR", "toviwall.ini"})
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  RunResult version = Toviwall({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "Tovi WallChanger 2.3.5 (Build 41)\n");
  RunResult wrong = Toviwall({"--next", "--change"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_NE(wrong.err.find("one command at a time"), std::string::npos) << wrong.err;

  for (const char* command : {"--status", "--show", "--hide", "--toggle", "--exit"}) {
    RunResult r = Toviwall({command});
    EXPECT_EQ(r.exitCode, 3) << command;
    EXPECT_EQ(r.err, "toviwall: Tovi WallChanger is not running\n") << command;
  }
  EXPECT_FALSE(Exists(Socket())) << "nothing started";

  // --next starts the program; its start applies entry 0 (blue), then Next goes on.
  RunResult next = Toviwall({"--next"});
  EXPECT_EQ(next.exitCode, 0) << next.err;
  EXPECT_TRUE(WaitCorner(kGreen)) << std::hex << Corner();
  std::map<std::string, std::string> status = ReadStatus();
  EXPECT_EQ(status["row"], "2");
  ASSERT_TRUE(status.count("pid"));
  EXPECT_NE(::getpgid(std::stoi(status["pid"])), ::getpgrp()) << "not in a session of its own";
}

// Pictures the list takes by their names (empty files): enough of them make
// adding them, or loading a list of them, ask first.
std::vector<std::string> ManyPictures(const std::string& folder) {
  fs::create_directories(folder);
  std::vector<std::string> files;
  for (int i = 0; i < 301; ++i) {
    files.push_back(folder + "/p" + std::to_string(i) + ".jpg");
    WriteFile(files.back(), "");
  }
  return files;
}

TEST_F(CommandLineTest, AnEndAndAStatusAreAnsweredWhileAQuestionIsOpen) {
  const std::vector<std::string> listed = SortedListEntries(ListFile());
  auto program = session->StartReady();
  ManyPictures(session->Home() + "/many");
  auto add = session->StartProgram({"--add", session->Home() + "/many"});
  const std::string addLog = session->LastProgramLog();
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("AskBox").has_value(); })) << ReadFile(addLog);
  std::map<std::string, std::string> status = ReadStatus();
  EXPECT_EQ(status["rows"], "3");
  EXPECT_EQ(status["shown"], "yes");
  RunResult exit = Toviwall({"--exit"});
  EXPECT_EQ(exit.exitCode, 0) << exit.err;
  EXPECT_EQ(program->Wait(10000), std::optional<int>(0));
  // The question counts as cancelled: nothing was added, nothing lost.
  EXPECT_EQ(add->Wait(10000), std::optional<int>(0));
  EXPECT_EQ(ReadFile(addLog), "added=0\n");
  EXPECT_EQ(SortedListEntries(ListFile()), listed);

  // A question of the start: a list that large asks before it is loaded.
  std::string large;
  for (const std::string& file : ManyPictures(session->Home() + "/listed")) large += file + "\r\n";
  WriteFile(ListFile(), large);
  program = session->StartReady();
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("AskBox").has_value(); }));
  status = ReadStatus();
  EXPECT_EQ(status["rows"], "0");
  EXPECT_EQ(status["shown"], "unknown");
  EXPECT_EQ(status["pid"], std::to_string(program->Pid()));
  exit = Toviwall({"--exit"});
  EXPECT_EQ(exit.exitCode, 0) << exit.err;
  EXPECT_EQ(program->Wait(10000), std::optional<int>(0));
  EXPECT_EQ(ReadFile(ListFile()), large);
}

TEST_F(CommandLineTest, FailingCommandsGatherInOneNoticeAndTheCallerHearsWhy) {
  const std::string broken = session->Home() + "/pics/broken.jpg";
  WriteFile(broken, "not a picture");
  WriteFile(ListFile(), ReadFile(ListFile()) + broken + "\r\n");  // blue, broken, lime, red
  auto program = session->StartReady();
  ASSERT_TRUE(WaitCorner(kBlue)) << ReadFile(session->LastProgramLog());
  for (int i = 0; i < 4; ++i) {
    RunResult change = Toviwall({"--change"});
    EXPECT_EQ(change.exitCode, 1);
    EXPECT_EQ(change.err.rfind("toviwall: --change failed: " + broken, 0), 0u) << change.err;
  }
  auto boxes = [&](const std::string& name) {
    const std::string map = ReadFile(session->WidgetMapFile());
    std::size_t n = 0;
    for (std::size_t at = 0; (at = map.find("\n" + name + " ", at)) != std::string::npos; ++at) ++n;
    return n + (map.rfind(name + " ", 0) == 0 ? 1 : 0);
  };
  ASSERT_TRUE(WaitFor([&] { return boxes("NoticeBox") > 0; }));
  EXPECT_EQ(ReadStatus()["row"], "1") << "no modal box holds the program up";
  EXPECT_EQ(boxes("NoticeBox"), 1u);
  EXPECT_EQ(boxes("ErrorBox"), 0u);
}

TEST_F(CommandLineTest, CommandsThatCannotBeDoneSayWhy) {
  auto program = session->StartReady();
  ASSERT_TRUE(WaitCorner(kBlue)) << ReadFile(session->LastProgramLog());
  // Next onto a file that is gone: it becomes the current entry, as with the
  // buttons, and the caller hears that nothing could be shown.
  const std::string lime = session->Home() + "/pics/lime.png";
  fs::remove(lime);
  RunResult next = Toviwall({"--next"});
  EXPECT_EQ(next.exitCode, 1);
  EXPECT_EQ(next.err, "toviwall: --next failed: " + lime + ": no such file\n");
  EXPECT_EQ(ReadStatus()["row"], "2");
  EXPECT_DONE(Toviwall({"--next"}));
  EXPECT_TRUE(WaitCorner(kRed)) << std::hex << Corner();

  // A name the list file could not keep.
  const std::string odd = session->Home() + "/pics/two\nlines.png";
  MakePicture("yellow", odd);
  RunResult add = Toviwall({"--add", odd});
  EXPECT_EQ(add.exitCode, 1);
  EXPECT_NE(add.err.find("--add refused: the image list cannot keep a name with a line break: \"" +
                         session->Home() + "/pics/two?lines.png\""),
            std::string::npos)
      << add.err;
  EXPECT_EQ(ReadStatus()["rows"], "3");

  // The About box holds the window commands off, --toggle as --show.
  EXPECT_DONE(Toviwall({"--show"}));
  session->ClickWidget("ButtonAbout");
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("AboutBox").has_value(); }));
  for (const char* command : {"--toggle", "--show"}) {
    RunResult r = Toviwall({command});
    EXPECT_EQ(r.exitCode, 1) << command;
    EXPECT_NE(r.err.find("the About box is open"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(session->WindowVisible(kTitle));
}

TEST_F(CommandLineTest, ACommandThatMeetsAFullQueueWaitsForRoomQuietly) {
  auto program = session->StartReady();
  ASSERT_EQ(Toviwall({"--status"}).exitCode, 0);
  for (bool plainStart : {false, true}) {
    SCOPED_TRACE(plainStart ? "a plain later start" : "--status");
    // Stopped, the program accepts nothing; connections fill its queue.
    program->Signal(SIGSTOP);
    std::vector<int> queued;
    for (;;) {
      const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, Socket().c_str(), sizeof address.sun_path - 1);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        break;
      }
      queued.push_back(fd);
      ASSERT_LT(queued.size(), 10000u);
    }
    // Room comes a moment later; the command waits for it.
    std::thread resume([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      program->Signal(SIGCONT);
    });
    RunResult r = Toviwall(plainStart ? std::vector<std::string>{} : std::vector<std::string>{"--status"});
    resume.join();
    for (int fd : queued) ::close(fd);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
  }
}

// One connection to the socket: writes `bytes`, reads until the program closes
// the connection, `enough` holds or ten seconds have passed.
std::string Exchange(const std::string& socketPath, const std::string& bytes,
                     const std::function<bool(const std::string&)>& enough = {}) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return "<no connection>";
  }
  for (std::size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the program stopped reading
    sent += static_cast<std::size_t>(n);
  }
  std::string answer;
  const double until = SteadySeconds() + 10;
  while (SteadySeconds() < until && !(enough && enough(answer))) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return answer;
}

TEST_F(CommandLineTest, MessagesOutsideTheProtocolAreIgnoredAndTheProgramGoesOn) {
  auto program = session->StartReady();
  const std::string log = session->LastProgramLog();
  struct stat st {};
  ASSERT_EQ(::stat(Socket().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u) << "the socket is the user's alone";

  // The format on the socket: a header line with the version and the length,
  // then NUL-separated fields.
  const std::string answer = Exchange(Socket(), std::string("TOVIWALL/1 6\nstatus"));
  EXPECT_EQ(answer.rfind("TOVIWALL/1 ", 0), 0u) << answer;
  EXPECT_NE(answer.find(std::string("\nok\0wallpaper=", 14)), std::string::npos) << answer;

  // Malformed and oversized: the connection is dropped without an answer.
  EXPECT_EQ(Exchange(Socket(), "TOVIWALL/1 six\nstatus"), "");
  EXPECT_EQ(Exchange(Socket(), "TOVIWALL/1 4294967296\nstatus"), "");
  EXPECT_EQ(Exchange(Socket(), std::string(5 << 20, 'x')), "");
  // Well framed but nothing to act on: refused, with the reason.
  const std::string unknown = Exchange(Socket(), "TOVIWALL/1 5\nfetch");
  EXPECT_NE(unknown.find(std::string("refused\0", 8)), std::string::npos) << unknown;
  const std::string newer = Exchange(Socket(), "TOVIWALL/2 6\nstatus");
  EXPECT_NE(newer.find("protocol version 2"), std::string::npos) << newer;
  // The plain messages of earlier starts and other programs still work.
  EXPECT_EQ(Exchange(Socket(), "RefreshDesktop\n", [](const std::string& a) { return !a.empty(); }), "\x06");
  EXPECT_EQ(Exchange(Socket(), "ToviMsgTovi_WallChanger\n", [](const std::string& a) { return !a.empty(); }), "\x06");
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));

  EXPECT_TRUE(program->Running());
  EXPECT_DONE(Toviwall({"--change"}));
  EXPECT_TRUE(WaitCorner(kGreen)) << std::hex << Corner();
  const std::string output = ReadFile(log);
  std::size_t dropped = 0;
  for (std::size_t at = 0; (at = output.find("ignored a malformed message", at)) != std::string::npos; ++at) ++dropped;
  EXPECT_EQ(dropped, 3u) << output;
  EXPECT_NE(output.find("refused a request: an unknown command \"fetch\""), std::string::npos) << output;
}

}  // namespace
}  // namespace toviwall
