#pragma once
// Real processes for the integration tests: a private X server (Xvfb), a private
// user (HOME and XDG folders), a tray host, the program itself, and the tools
// that drive and inspect it (xdotool, xprop, ...). Nothing touches the real
// user's home, desktop or settings.
#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace toviwall::test {

using Env = std::map<std::string, std::string>;

// A fresh folder, removed with all it holds at the end.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "toviwall-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A started child process in a process group of its own; killed at the end
// unless it has ended by then.
class Process {
 public:
  struct Options {
    Env env;                    // the whole environment of the child
    std::string cwd;            // empty: the current folder
    std::string logFile;        // stdout and stderr; empty: /dev/null
    std::vector<int> keepFds;   // descriptors the child inherits
  };
  // Throws when the program cannot be started (not found, not executable, ...).
  static std::unique_ptr<Process> Start(const std::vector<std::string>& argv, const Options& options);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  // The exit code (128 + signal for a killed child) once it ended within the time.
  std::optional<int> Wait(int timeoutMs);
  void Signal(int sig);
  void Kill();  // SIGKILL to the whole group, then reap

 private:
  explicit Process(pid_t pid) : pid_(pid) {}
  bool Reap(bool block);
  pid_t pid_;
  std::optional<int> status_;
};

struct RunResult {
  int exitCode = -1;  // -1: killed at the time limit
  std::string out;
  std::string err;
};
// Runs a command to its end (killed after the time limit). Throws when it cannot
// be started at all.
RunResult Run(const std::vector<std::string>& argv, const Env& env, int timeoutMs = 30000);
// Runs a command that has to succeed: throws with the command line, its exit
// status and its error output unless it ends with 0 in time.
RunResult MustRun(const std::vector<std::string>& argv, const Env& env, int timeoutMs = 30000);
// The command line as a shell would show it, for messages.
std::string CommandLine(const std::vector<std::string>& argv);

// True when a client of the display owns the selection (for example the tray's).
bool SelectionOwned(const std::string& display, const std::string& selection);

// True when `text` has the shape of `shape`: each '#' stands for a digit,
// every other character for itself. (std::regex trips GCC 12's warnings under ASan.)
inline bool MatchesShape(const std::string& text, const std::string& shape) {
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (shape[i] == '#' ? text[i] < '0' || text[i] > '9' : text[i] != shape[i]) return false;
  return true;
}

// Polls `condition` until it holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000, int pollMs = 20);
// Between its looks WaitFor runs `pump` for the poll's milliseconds instead of
// sleeping: tests with an event loop install one, so what they wait for can happen.
void SetWaitPump(std::function<void(int ms)> pump);

// Fails the test with a clear message when a program the tests need is missing.
void RequireProgram(const std::string& name);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool Exists(const std::string& path);
// The paths an image list file holds (lines ending in CR LF), sorted.
std::vector<std::string> SortedListEntries(const std::string& listFile);
// A small PNG from the test data copied to `path`, its folders made; answers `path`.
std::string CopyTestPicture(const std::string& path);

// Counts the writes of one file in a folder, from now on: each write ends in
// a close after writing or a rename over the file (an atomic write). Polled.
class FileWrites {
 public:
  FileWrites(const std::string& folder, std::string name);
  ~FileWrites();
  FileWrites(const FileWrites&) = delete;
  FileWrites& operator=(const FileWrites&) = delete;
  // The moments (steady clock, seconds) the writes were seen, oldest first.
  const std::vector<double>& Times();
  std::size_t Count() { return Times().size(); }

 private:
  int fd_;
  std::string name_;
  std::vector<double> times_;
};
// Seconds on the steady clock.
double SteadySeconds();
// The folders a process watches with inotify, as "device:inode" of each
// (from /proc/PID/fdinfo); FileId gives the same form for a path.
std::set<std::string> InotifyWatched(pid_t pid);
// Empty when this user can have an inotify instance; else why not, with the
// programs that hold the user's instances (fs.inotify.max_user_instances).
std::string InotifyShortage();
std::string FileId(const std::string& path);

// The folder that holds the built programs (toviwall, toviwall-render, ...).
std::string BinaryDir();
// The source tree (test data lies in tests/data).
std::string SourceDir();

// The maker's web server on 127.0.0.1 (tests/support/update_server.py): answers
// every GET as told, and records each request's path and User-Agent.
class UpdateServer {
 public:
  UpdateServer();  // throws when it does not listen in time
  ~UpdateServer();
  // "http://127.0.0.1:PORT/".
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  // How the next requests are answered: "text BODY" (\n, \r as escapes), "bytes HEX",
  // "html BODY", "status CODE BODY", "redirect URL", "hang", "big BYTES", "stream BYTES"
  // (no length).
  void Reply(const std::string& how) const;
  // "path<TAB>agent" of each request so far.
  std::vector<std::string> Requests() const;

 private:
  TempDir dir_;
  std::unique_ptr<Process> process_;
  int port_ = 0;
};

// What the display `display` shows, as a PNG file: the root window read whole.
// Not `xwd -root`: with windows of their own colormap (Qt makes one), it reads
// them through the lowest of them, which the server blanks where others cover
// it, so that message boxes came out black.
void ScreenshotRoot(const std::string& display, const std::string& pngPath);

// A private session bus (a login's, without the document portal) on a socket in `folder`; the
// services it starts get `env`. Ended with the object.
class DBusSession {
 public:
  DBusSession(const std::string& folder, const Env& env);
  ~DBusSession();
  const std::string& Address() const { return address_; }

 private:
  std::unique_ptr<Process> process_;
  std::string address_;
};

// Sets variables of this process's environment and puts them back at the end
// (for backends the tests run in-process, and the tools they start).
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

 private:
  void Save(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A private X server on a free display number: Xvfb, or Xorg with the dummy video
// driver, which can switch display modes (Xvfb cannot).
class XServer {
 public:
  XServer(int width = 1280, int height = 1024, int depth = 24);
  // Xvfb with more arguments, started through `wrapper` (a command such as
  // setpriv that runs the rest) when it is not empty.
  XServer(int width, int height, int depth, const std::vector<std::string>& arguments,
          const std::vector<std::string>& wrapper = {});
  // Xorg with the dummy driver and this configuration file's text (see
  // DummyXorgConfig): an ordinary server on a free display that takes no input
  // devices and leaves the virtual terminals alone.
  explicit XServer(const std::string& xorgConfig);
  ~XServer();
  const std::string& Display() const { return display_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  // The server's own name is command[at].
  void Start(const std::vector<std::string>& argv, const std::string& name, std::size_t at = 0);
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<Process> process_;
  std::string display_;
  int width_ = 0, height_ = 0;
};

// An Xorg configuration for the dummy driver: one screen of depth 24 and the
// given Modeline lines (the text after "Modeline"), all offered, the first at start.
// The driver adds some standard modes of its own to the output's list.
std::string DummyXorgConfig(const std::vector<std::string>& modelines, int virtualWidth, int virtualHeight);

// A private D-Bus message bus, open to this user, for services that stand in for
// the system's (programs find it through DBUS_SYSTEM_BUS_ADDRESS or
// DBUS_SESSION_BUS_ADDRESS).
class DBusDaemon {
 public:
  DBusDaemon();
  ~DBusDaemon();
  const std::string& Address() const { return address_; }

 private:
  TempDir dir_;
  std::unique_ptr<Process> process_;
  std::string address_;
};

// tests/programs/fake-login1.py on the bus at `address`: a stand-in for logind
// (and with "--screensaver" for the freedesktop screen saver) that writes every
// call it gets to `record`, one line each. Waits until it owns its names.
std::unique_ptr<Process> StartFakeLogin1(const std::string& address, const std::string& record,
                                         const std::vector<std::string>& options);
// The lines `record` holds now.
std::vector<std::string> RecordedCalls(const std::string& record);

struct SessionOptions {
  int width = 1280, height = 1024, depth = 24;
  bool tray = false;  // start trayer as the tray host
  std::string xorgConfig = {};  // not empty: Xorg with the dummy driver instead of Xvfb
};

// A private user on a private display.
class Session {
 public:
  explicit Session(const SessionOptions& options = {});
  ~Session();

  TempDir& Root() { return root_; }
  std::string Home() const { return root_ / "home"; }
  std::string ConfigHome() const { return root_ / "home/.config"; }
  std::string RuntimeDir() const { return root_ / "run"; }
  // The settings file a start without arguments uses.
  std::string DefaultSettingsFile() const;
  const std::string& Display() const { return x_->Display(); }
  XServer& X() { return *x_; }

  // The environment for programs of this session (program and tools alike).
  Env Environment() const;
  void SetEnv(const std::string& name, const std::string& value) { extraEnv_[name] = value; }

  // Starts the tray host (trayer); waits until it owns the tray selection.
  void StartTray();
  void StopTray();
  bool TrayRunning() const;

  // Starts toviwall with the arguments; its output goes to <root>/toviwall-N.log.
  std::unique_ptr<Process> StartProgram(const std::vector<std::string>& args = {}, const std::string& cwd = {});
  std::string LastProgramLog() const { return lastLog_; }
  // A settings file that exists already (so no first-run question is asked): the
  // image folder is the home folder; `extra` lines follow in the "Option" section.
  void WriteProfile(const std::string& extra = "") const;
  // Starts toviwall and waits until it listens for later starts; throws with the
  // program's output when it does not get there.
  std::unique_ptr<Process> StartReady(const std::vector<std::string>& args = {}, const std::string& cwd = {});
  // A later start, which hands its command to the running program and ends:
  // throws with its output unless it ends with 0 in time.
  void RunProgram(const std::vector<std::string>& args = {}, const std::string& cwd = {});

  // A tool run in this session (DISPLAY and HOME set).
  RunResult Tool(const std::vector<std::string>& argv, int timeoutMs = 30000) const;
  // The same for a tool that has to succeed (see MustRun).
  RunResult MustTool(const std::vector<std::string>& argv, int timeoutMs = 30000) const;
  // xdotool with the given arguments; throws when it fails.
  RunResult Xdotool(const std::vector<std::string>& args) const;
  // The windows "xdotool search" finds with the given arguments (none is no error).
  std::vector<unsigned long> SearchWindows(const std::vector<std::string>& args) const;

  // Top-level windows whose title is exactly `title` (visible ones only when asked).
  std::vector<unsigned long> FindWindows(const std::string& title, bool onlyVisible) const;
  bool WindowVisible(const std::string& title) const { return !FindWindows(title, true).empty(); }
  bool WaitWindowVisible(const std::string& title, bool visible, int timeoutMs = 10000) const;

  // The program keeps the screen rectangles of its named widgets, menu items
  // ("Menu.Item") and tabs ("PageControl.tab2") in a map file for the tests.
  struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;  // what the widget shows (caption, label, title)
  };
  std::string WidgetMapFile() const { return root_ / "widgets.map"; }
  std::optional<Rect> WidgetRect(const std::string& name) const;
  // Waits until the widget is shown, then clicks its centre (button 1 left, 3 right).
  void ClickWidget(const std::string& name, int button = 1, int timeoutMs = 10000) const;

  // Asks the window to close, as a window manager's close button does.
  void CloseWindow(unsigned long window) const;

  // Screenshot of the screen as PNG (ScreenshotRoot).
  void Screenshot(const std::string& pngPath) const;

 private:
  TempDir root_;
  std::unique_ptr<XServer> x_;
  std::unique_ptr<Process> tray_;
  Env extraEnv_;
  std::string lastLog_;
  int programCount_ = 0;
};

}  // namespace toviwall::test
