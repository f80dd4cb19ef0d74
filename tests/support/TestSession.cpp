#include "support/TestSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace toviwall::test {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::string GetEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Forks and executes argv in a process group of its own. The exec's error comes
// back through a pipe that closes on a successful exec, so a program that cannot
// start throws here instead of passing for one that ended with 127.
pid_t Spawn(const std::vector<std::string>& argv, const Env& env, const std::string& cwd, int out, int err,
            const std::vector<int>& keepFds) {
  Env full = env;
  // A sanitized child reports (and fails) the way the test itself does.
  for (const char* pass : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
    if (const char* v = std::getenv(pass); v && !full.count(pass)) full[pass] = v;
  std::vector<std::string> envStrings;
  for (auto& [k, v] : full) envStrings.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  int status[2] = {-1, -1};
  pid_t pid = in < 0 || ::pipe2(status, O_CLOEXEC) != 0 ? -1 : ::fork();
  if (pid < 0) {
    const int error = errno;
    for (int fd : {in, status[0], status[1]})
      if (fd >= 0) ::close(fd);
    throw std::runtime_error("cannot start " + CommandLine(argv) + ": " + std::strerror(error));
  }
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (int fd : keepFds) ::fcntl(fd, F_SETFD, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int error = 0;
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) error = errno;
    else ::execvpe(args[0], args.data(), envp.data());
    if (!error) error = errno;
    [[maybe_unused]] ssize_t n = ::write(status[1], &error, sizeof error);
    _exit(127);
  }
  ::setpgid(pid, pid);
  ::close(in);
  ::close(status[1]);
  int error = 0;
  ssize_t n;
  do n = ::read(status[0], &error, sizeof error);
  while (n < 0 && errno == EINTR);
  ::close(status[0]);
  if (n > 0) {
    ::waitpid(pid, nullptr, 0);
    throw std::runtime_error("cannot start " + CommandLine(argv) + (cwd.empty() ? "" : " in " + cwd) + ": " +
                             std::strerror(error));
  }
  return pid;
}

}  // namespace

TempDir::TempDir(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make read-only folders that a test made writable again so they can go.
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code ignored;
    if (it->is_directory(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::unique_ptr<Process> Process::Start(const std::vector<std::string>& argv, const Options& options) {
  int out = -1;
  if (!options.logFile.empty()) out = ::open(options.logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  else out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (out < 0) throw std::runtime_error("cannot open " + options.logFile + " for " + CommandLine(argv));
  pid_t pid = Spawn(argv, options.env, options.cwd, out, out, options.keepFds);
  ::close(out);
  return std::unique_ptr<Process>(new Process(pid));
}

Process::~Process() { Kill(); }

bool Process::Reap(bool block) {
  if (status_) return true;
  int st = 0;
  pid_t r = ::waitpid(pid_, &st, block ? 0 : WNOHANG);
  if (r != pid_) return false;
  status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return true;
}

bool Process::Running() { return !Reap(false); }

std::optional<int> Process::Wait(int timeoutMs) {
  auto start = Clock::now();
  while (!Reap(false)) {
    if (ElapsedMs(start) >= timeoutMs) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

void Process::Signal(int sig) {
  if (!status_) ::kill(pid_, sig);
}

void Process::Kill() {
  if (!status_) {
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
}

RunResult Run(const std::vector<std::string>& argv, const Env& env, int timeoutMs) {
  TempDir dir("toviwall-run");
  std::string outFile = dir / "out", errFile = dir / "err";
  int o = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int e = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (o < 0 || e < 0) throw std::runtime_error("cannot make output files for " + CommandLine(argv));
  pid_t pid;
  try {
    pid = Spawn(argv, env, {}, o, e, {});
  } catch (...) {
    ::close(o);
    ::close(e);
    throw;
  }
  ::close(o);
  ::close(e);
  RunResult result;
  auto start = Clock::now();
  int st = 0;
  for (;;) {
    pid_t r = ::waitpid(pid, &st, WNOHANG);
    if (r == pid) break;
    if (ElapsedMs(start) > timeoutMs) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &st, 0);
      result.err = "timed out after " + std::to_string(timeoutMs) + " ms: " + CommandLine(argv);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  result.exitCode = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  result.out = ReadFile(outFile);
  result.err = ReadFile(errFile);
  // A sanitized child ends with 1 after a report, like the refusals some tests
  // expect: the report itself fails the test.
  for (const char* report : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", ": runtime error: "})
    if (result.err.find(report) != std::string::npos)
      throw std::runtime_error(CommandLine(argv) + " had a sanitizer report:\n" + result.err);
  return result;
}

RunResult MustRun(const std::vector<std::string>& argv, const Env& env, int timeoutMs) {
  RunResult r = Run(argv, env, timeoutMs);
  if (r.exitCode != 0) {
    std::string status = r.exitCode < 0 ? "did not end in time" : "ended with exit status " + std::to_string(r.exitCode);
    throw std::runtime_error(CommandLine(argv) + " " + status + (r.err.empty() ? "" : ":\n" + r.err));
  }
  return r;
}

std::string CommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& a : argv) {
    if (!line.empty()) line += ' ';
    bool plain = !a.empty() && a.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                                    "-_./:=+,%@#") == std::string::npos;
    line += plain ? a : "'" + a + "'";
  }
  return line;
}

bool SelectionOwned(const std::string& display, const std::string& selection) {
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return false;
  bool owned = XGetSelectionOwner(dpy, XInternAtom(dpy, selection.c_str(), False)) != 0;
  XCloseDisplay(dpy);
  return owned;
}

namespace {
std::function<void(int ms)>& WaitPump() {
  static std::function<void(int ms)> pump;
  return pump;
}
}  // namespace

void SetWaitPump(std::function<void(int ms)> pump) { WaitPump() = std::move(pump); }

bool WaitFor(const std::function<bool()>& condition, int timeoutMs, int pollMs) {
  auto start = Clock::now();
  for (;;) {
    if (condition()) return true;
    if (ElapsedMs(start) >= timeoutMs) return false;
    if (WaitPump()) WaitPump()(pollMs);
    else std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
}

void RequireProgram(const std::string& name) {
  std::string path = GetEnv("PATH");
  std::stringstream ss(path);
  std::string dir;
  while (std::getline(ss, dir, ':'))
    if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return;
  throw std::runtime_error("The tests need the program '" + name + "'; run scripts/setup to install it.");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> SortedListEntries(const std::string& listFile) {
  std::vector<std::string> lines;
  std::stringstream in(ReadFile(listFile));
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - 1));
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string CopyTestPicture(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::filesystem::copy_file(SourceDir() + "/tests/data/pngsuite/basn2c08.png", path,
                             std::filesystem::copy_options::overwrite_existing);
  return path;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

FileWrites::FileWrites(const std::string& folder, std::string name)
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name)) {
  if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
    throw std::runtime_error("cannot watch " + folder + ": " + std::strerror(errno));
}

FileWrites::~FileWrites() { ::close(fd_); }

const std::vector<double>& FileWrites::Times() {
  alignas(inotify_event) char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd_, buffer, sizeof buffer)) > 0)
    for (char* p = buffer; p < buffer + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      if (e->len && name_ == e->name) times_.push_back(SteadySeconds());
      p += sizeof(inotify_event) + e->len;
    }
  return times_;
}

std::set<std::string> InotifyWatched(pid_t pid) {
  std::set<std::string> watched;
  const std::string folder = "/proc/" + std::to_string(pid) + "/fdinfo";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line)) {
      // inotify wd:1 ino:2a3b sdev:800001 mask:...
      unsigned long ino = 0, dev = 0;
      if (std::sscanf(line.c_str(), "inotify wd:%*d ino:%lx sdev:%lx", &ino, &dev) == 2)
        watched.insert(std::to_string(dev) + ":" + std::to_string(ino));
    }
  }
  return watched;
}

namespace {
std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}
}  // namespace

std::string InotifyShortage() {
  int fd = ::inotify_init1(IN_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  const int error = errno;
  std::map<std::string, int> holders;
  std::error_code ec;
  for (const auto& proc : fs::directory_iterator("/proc", ec)) {
    std::error_code fdEc;
    for (const auto& fdLink : fs::directory_iterator(proc.path() / "fd", fdEc)) {
      std::error_code linkEc;
      if (fs::read_symlink(fdLink.path(), linkEc).string() == "anon_inode:inotify")
        ++holders[Trimmed(ReadFile((proc.path() / "comm").string()))];
    }
  }
  std::string text = std::string("no inotify instance for this user: ") + std::strerror(error) +
                     " (fs.inotify.max_user_instances is " + Trimmed(ReadFile("/proc/sys/fs/inotify/max_user_instances")) +
                     "); held by:";
  for (const auto& [name, count] : holders) text += " " + std::to_string(count) + " x " + name;
  return text;
}

std::string FileId(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "(missing " + path + ")";
  // The kernel's own device number, as fdinfo shows it (major << 20 | minor).
  const unsigned long dev = (static_cast<unsigned long>(major(st.st_dev)) << 20) | minor(st.st_dev);
  return std::to_string(dev) + ":" + std::to_string(st.st_ino);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string BinaryDir() { return TOVIWALL_TEST_BINARY_DIR; }
std::string SourceDir() { return TOVIWALL_TEST_SOURCE_DIR; }

DBusSession::DBusSession(const std::string& folder, const Env& env) {
  RequireProgram("dbus-daemon");
  const std::string socket = folder + "/bus";
  // A login's session bus, except the document portal: it would mount itself
  // into the runtime folder and stay there. A service of the same name in a
  // folder listed first wins, and this one fails at once.
  std::filesystem::create_directories(folder + "/masked-services");
  WriteFile(folder + "/masked-services/org.freedesktop.portal.Documents.service",
            "[D-BUS Service]\nName=org.freedesktop.portal.Documents\nExec=/bin/false\n");
  WriteFile(folder + "/session.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><servicedir>" + folder + "/masked-services</servicedir>"
            "<include>/usr/share/dbus-1/session.conf</include></busconfig>\n");
  Process::Options options;
  options.env = env;
  options.logFile = folder + "/dbus-daemon.log";
  process_ = Process::Start({"dbus-daemon", "--config-file=" + folder + "/session.conf", "--nofork", "--nopidfile",
                             "--address=unix:path=" + socket},
                            options);
  if (!WaitFor([&] { return Exists(socket) || !process_->Running(); }) || !process_->Running())
    throw std::runtime_error("dbus-daemon did not start:\n" + ReadFile(options.logFile));
  address_ = "unix:path=" + socket;
}

DBusSession::~DBusSession() = default;

ScopedEnv::~ScopedEnv() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
    else ::unsetenv(it->first.c_str());
  }
}

void ScopedEnv::Save(const std::string& name) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
  Save(name);
  ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset(const std::string& name) {
  Save(name);
  ::unsetenv(name.c_str());
}

UpdateServer::UpdateServer() : dir_("toviwall-server") {
  if (::access("/usr/bin/python3", X_OK) != 0)
    throw std::runtime_error("The tests need /usr/bin/python3; run scripts/setup to install it.");
  Reply("status 404 no reply chosen");
  Process::Options options;
  options.logFile = dir_ / "server.log";
  process_ = Process::Start({"/usr/bin/python3", SourceDir() + "/tests/support/update_server.py", dir_.Path()}, options);
  if (!WaitFor([&] { return Exists(dir_ / "port") || !process_->Running(); }) || !process_->Running())
    throw std::runtime_error("the update server did not start: " + ReadFile(dir_ / "server.log"));
  port_ = std::stoi(ReadFile(dir_ / "port"));
}

UpdateServer::~UpdateServer() = default;

void UpdateServer::Reply(const std::string& how) const { WriteFile(dir_ / "reply", how); }

std::vector<std::string> UpdateServer::Requests() const {
  std::vector<std::string> lines;
  std::stringstream ss(Exists(dir_ / "requests") ? ReadFile(dir_ / "requests") : std::string());
  for (std::string line; std::getline(ss, line);) lines.push_back(line);
  return lines;
}

XServer::XServer(int width, int height, int depth) : XServer(width, height, depth, {}) {}

XServer::XServer(int width, int height, int depth, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& wrapper)
    : width_(width), height_(height) {
  RequireProgram("Xvfb");
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  std::vector<std::string> argv = wrapper;
  argv.insert(argv.end(), {"Xvfb", "-screen", "0", screen, "-nolisten", "tcp", "-noreset", "+extension", "RANDR"});
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  Start(argv, "Xvfb", wrapper.size());
}

XServer::XServer(const std::string& xorgConfig) : dir_(std::make_unique<TempDir>("toviwall-xorg")) {
  if (!Exists("/usr/lib/xorg/modules/drivers/dummy_drv.so") || !Exists("/usr/lib/xorg/Xorg"))
    throw std::runtime_error(
        "The tests need Xorg with the dummy video driver (xserver-xorg-core, xserver-xorg-video-dummy); run "
        "scripts/setup to install them.");
  WriteFile(*dir_ / "xorg.conf", xorgConfig);
  // A folder of its own, so that no configuration of the machine's is read.
  fs::create_directories(*dir_ / "conf.d");
  WriteFile(*dir_ / "conf.d/00-empty.conf", "");
  // /usr/lib/xorg/Xorg itself: the wrapper in PATH asks for a console.
  Start({"/usr/lib/xorg/Xorg", "-config", *dir_ / "xorg.conf", "-configdir", *dir_ / "conf.d", "-logfile",
         *dir_ / "Xorg.log", "-noreset", "-nolisten", "tcp", "-novtswitch", "-sharevts"},
        "Xorg");
  ::Display* dpy = XOpenDisplay(display_.c_str());
  if (!dpy) throw std::runtime_error("cannot open the dummy Xorg's display " + display_);
  width_ = DisplayWidth(dpy, DefaultScreen(dpy));
  height_ = DisplayHeight(dpy, DefaultScreen(dpy));
  XCloseDisplay(dpy);
}

void XServer::Start(const std::vector<std::string>& command, const std::string& name, std::size_t at) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  Process::Options options;
  options.env = {{"PATH", GetEnv("PATH")}};
  options.keepFds = {fds[1]};
  if (dir_) options.logFile = *dir_ / "stderr.log";
  std::vector<std::string> argv = command;
  argv.insert(argv.begin() + static_cast<std::ptrdiff_t>(at) + 1, {"-displayfd", std::to_string(fds[1])});
  process_ = Process::Start(argv, options);
  ::close(fds[1]);
  std::string number;
  struct pollfd p {fds[0], POLLIN, 0};
  auto start = Clock::now();
  while (ElapsedMs(start) < 15000) {
    if (::poll(&p, 1, 100) > 0) {
      char c;
      ssize_t n = ::read(fds[0], &c, 1);
      if (n <= 0 || c == '\n') break;
      number += c;
    }
  }
  ::close(fds[0]);
  if (number.empty())
    throw std::runtime_error(name + " did not start" + (dir_ ? ":\n" + ReadFile(*dir_ / "Xorg.log") : ""));
  display_ = ":" + number;
}

std::string DummyXorgConfig(const std::vector<std::string>& modelines, int virtualWidth, int virtualHeight) {
  std::string modes, names;
  for (const std::string& line : modelines) {
    modes += "  Modeline " + line + "\n";
    names += " " + line.substr(0, line.find(' ', 1));
  }
  return "Section \"ServerFlags\"\n"
         "  Option \"AutoAddDevices\" \"false\"\n"
         "  Option \"AutoEnableDevices\" \"false\"\n"
         "  Option \"DontVTSwitch\" \"true\"\n"
         "EndSection\n"
         "Section \"Device\"\n  Identifier \"dummy\"\n  Driver \"dummy\"\n  VideoRam 64000\nEndSection\n"
         "Section \"Monitor\"\n  Identifier \"monitor\"\n  HorizSync 5-1000\n  VertRefresh 5-1000\n" +
         modes +
         "EndSection\n"
         "Section \"Screen\"\n  Identifier \"screen\"\n  Device \"dummy\"\n  Monitor \"monitor\"\n"
         "  DefaultDepth 24\n  SubSection \"Display\"\n    Depth 24\n    Modes" +
         names + "\n    Virtual " + std::to_string(virtualWidth) + " " + std::to_string(virtualHeight) +
         "\n  EndSubSection\nEndSection\n";
}

XServer::~XServer() = default;

DBusDaemon::DBusDaemon() : dir_("toviwall-dbus") {
  RequireProgram("dbus-daemon");
  const std::string socket = dir_ / "bus";
  WriteFile(dir_ / "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n  <type>system</type>\n  <listen>unix:path=" + socket +
                "</listen>\n  <auth>EXTERNAL</auth>\n"
                "  <policy context=\"default\">\n    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
                "    <allow send_destination=\"*\"/>\n    <allow receive_sender=\"*\"/>\n  </policy>\n"
                "</busconfig>\n");
  Process::Options options;
  options.env = {{"PATH", GetEnv("PATH")}};
  options.logFile = dir_ / "dbus-daemon.log";
  process_ = Process::Start({"dbus-daemon", "--config-file=" + (dir_ / "bus.conf"), "--nofork", "--nopidfile"},
                            options);
  if (!WaitFor([&] { return Exists(socket) || !process_->Running(); }) || !process_->Running())
    throw std::runtime_error("dbus-daemon did not start:\n" + ReadFile(dir_ / "dbus-daemon.log"));
  address_ = "unix:path=" + socket;
}

DBusDaemon::~DBusDaemon() = default;

std::unique_ptr<Process> StartFakeLogin1(const std::string& address, const std::string& record,
                                         const std::vector<std::string>& extra) {
  // The system's Python, which has the D-Bus bindings (python3-dbus, python3-gi).
  const std::string python = "/usr/bin/python3";
  if (!Exists(python)) throw std::runtime_error("The tests need /usr/bin/python3; run scripts/setup.");
  std::vector<std::string> argv{python, SourceDir() + "/tests/programs/fake-login1.py", "--address", address,
                                "--record", record};
  argv.insert(argv.end(), extra.begin(), extra.end());
  Process::Options options;
  options.env = {{"PATH", GetEnv("PATH")}};
  options.logFile = record + ".log";
  std::remove(options.logFile.c_str());  // an earlier stand-in's "ready" is not this one's
  auto p = Process::Start(argv, options);
  if (!WaitFor([&] { return ReadFile(record + ".log").find("ready") != std::string::npos || !p->Running(); }) ||
      !p->Running())
    throw std::runtime_error("fake-login1.py did not start:\n" + ReadFile(record + ".log"));
  return p;
}

std::vector<std::string> RecordedCalls(const std::string& record) {
  std::vector<std::string> lines;
  std::stringstream ss(ReadFile(record));
  std::string line;
  while (std::getline(ss, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

Session::Session(const SessionOptions& options) : root_("toviwall-session") {
  fs::create_directories(Home());
  fs::create_directories(ConfigHome());
  fs::create_directories(RuntimeDir());
  ::chmod(RuntimeDir().c_str(), 0700);
  x_ = options.xorgConfig.empty() ? std::make_unique<XServer>(options.width, options.height, options.depth)
                                  : std::make_unique<XServer>(options.xorgConfig);
  if (options.tray) StartTray();
}

Session::~Session() {
  tray_.reset();
}

std::string Session::DefaultSettingsFile() const {
  return ConfigHome() + "/Tovi Solution/Tovi WallChanger/toviwall.ini";
}

Env Session::Environment() const {
  Env env{
      {"PATH", GetEnv("PATH")},
      {"HOME", Home()},
      {"XDG_CONFIG_HOME", ConfigHome()},
      {"XDG_DATA_HOME", root_ / "home/.local/share"},
      {"XDG_CACHE_HOME", root_ / "home/.cache"},
      {"XDG_RUNTIME_DIR", RuntimeDir()},
      {"DISPLAY", Display()},
      {"LANG", "C.UTF-8"},
      {"QT_QPA_PLATFORM", "xcb"},
      {"TOVIWALL_DESKTOP", "x11"},
      {"TOVIWALL_WIDGET_MAP", WidgetMapFile()},
      // No bus of the machine's: its logind could end the real session or power the
      // machine off, and a session bus Qt would start (dbus-launch) outlives the test,
      // holding an inotify instance of the user's few. Tests that want a bus start
      // their own and name it here.
      {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (root_ / "no-system-bus")},
      {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (root_ / "no-session-bus")},
  };
  for (auto& [k, v] : extraEnv_) env[k] = v;
  return env;
}

void Session::StartTray() {
  RequireProgram("trayer");
  Process::Options options;
  options.env = Environment();
  options.logFile = root_ / "trayer.log";
  tray_ = Process::Start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                          "--transparent", "false", "--SetDockType", "true"},
                         options);
  if (!WaitFor([&] { return SelectionOwned(Display(), "_NET_SYSTEM_TRAY_S0"); }))
    throw std::runtime_error("trayer did not take the tray selection");
}

void Session::StopTray() {
  if (tray_) tray_->Kill();
  tray_.reset();
}

bool Session::TrayRunning() const { return tray_ && tray_->Running(); }

std::unique_ptr<Process> Session::StartProgram(const std::vector<std::string>& args, const std::string& cwd) {
  std::vector<std::string> argv{BinaryDir() + "/toviwall"};
  argv.insert(argv.end(), args.begin(), args.end());
  Process::Options options;
  options.env = Environment();
  options.cwd = cwd.empty() ? Home() : cwd;
  lastLog_ = root_ / ("toviwall-" + std::to_string(++programCount_) + ".log");
  options.logFile = lastLog_;
  return Process::Start(argv, options);
}

void Session::WriteProfile(const std::string& extra) const {
  fs::create_directories(fs::path(DefaultSettingsFile()).parent_path());
  WriteFile(DefaultSettingsFile(), "[Option]\nImage Folder=" + Home() + "\n" + extra);
}

void Session::RunProgram(const std::vector<std::string>& args, const std::string& cwd) {
  auto p = StartProgram(args, cwd);
  std::optional<int> code = p->Wait(10000);
  if (code == 0) return;
  std::string status = code ? "ended with exit status " + std::to_string(*code) : "did not end within 10 s";
  throw std::runtime_error("a later start of the program " + status + ":\n" + ReadFile(LastProgramLog()));
}

std::unique_ptr<Process> Session::StartReady(const std::vector<std::string>& args, const std::string& cwd) {
  auto p = StartProgram(args, cwd);
  if (!WaitFor([&] { return Exists(RuntimeDir() + "/Tovi_WallChanger") || !p->Running(); }) || !p->Running())
    throw std::runtime_error("the program did not get ready:\n" + ReadFile(LastProgramLog()));
  return p;
}

RunResult Session::Tool(const std::vector<std::string>& argv, int timeoutMs) const {
  return Run(argv, Environment(), timeoutMs);
}

RunResult Session::MustTool(const std::vector<std::string>& argv, int timeoutMs) const {
  return MustRun(argv, Environment(), timeoutMs);
}

RunResult Session::Xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return MustTool(argv);
}

std::vector<unsigned long> Session::SearchWindows(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xdotool", "search"};
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult r = Tool(argv);
  // A window destroyed while xdotool walks the tree ends the search with an X
  // error (BadWindow); another walk gives the answer.
  for (int retry = 0; retry < 5 && r.exitCode == 1 && r.err.find("BadWindow") != std::string::npos; ++retry)
    r = Tool(argv);
  // Finding nothing ends with 1 and says nothing; anything else is a failure.
  if (r.exitCode != 0 && !(r.exitCode == 1 && r.out.empty() && r.err.empty()))
    throw std::runtime_error(CommandLine(argv) + " failed (exit status " + std::to_string(r.exitCode) + "): " + r.err);
  std::vector<unsigned long> ids;
  std::stringstream ss(r.out);
  unsigned long id;
  while (ss >> id) ids.push_back(id);
  return ids;
}

std::vector<unsigned long> Session::FindWindows(const std::string& title, bool onlyVisible) const {
  std::vector<std::string> args;
  if (onlyVisible) args.push_back("--onlyvisible");
  args.insert(args.end(), {"--name", "^" + title + "$"});
  return SearchWindows(args);
}

bool Session::WaitWindowVisible(const std::string& title, bool visible, int timeoutMs) const {
  return WaitFor([&] { return WindowVisible(title) == visible; }, timeoutMs, 30);
}

std::optional<Session::Rect> Session::WidgetRect(const std::string& name) const {
  std::stringstream ss(ReadFile(WidgetMapFile()));
  std::string line;
  while (std::getline(ss, line)) {
    std::stringstream ls(line);
    std::string key;
    Rect r;
    if (ls >> key >> r.x >> r.y >> r.width >> r.height && key == name) {
      std::getline(ls, r.text);
      if (!r.text.empty() && r.text[0] == ' ') r.text.erase(0, 1);
      return r;
    }
  }
  return std::nullopt;
}

void Session::ClickWidget(const std::string& name, int button, int timeoutMs) const {
  std::optional<Rect> r;
  if (!WaitFor([&] { return (r = WidgetRect(name)).has_value(); }, timeoutMs))
    throw std::runtime_error("widget not shown: " + name);
  // One xdotool call: the server handles the motion before the click. (--sync
  // would wait forever when the pointer is already there.)
  Xdotool({"mousemove", std::to_string(r->x + r->width / 2), std::to_string(r->y + r->height / 2), "click",
           std::to_string(button)});
}

void Session::CloseWindow(unsigned long window) const {
  ::Display* dpy = XOpenDisplay(Display().c_str());
  if (!dpy) throw std::runtime_error("cannot open display " + Display());
  XEvent ev {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, window, False, NoEventMask, &ev);
  XCloseDisplay(dpy);
}

void Session::Screenshot(const std::string& pngPath) const { ScreenshotRoot(Display(), pngPath); }

void ScreenshotRoot(const std::string& display, const std::string& pngPath) {
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) throw std::runtime_error("cannot open display " + display + " for a screenshot");
  const int width = DisplayWidth(dpy, DefaultScreen(dpy)), height = DisplayHeight(dpy, DefaultScreen(dpy));
  XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) {
    XCloseDisplay(dpy);
    throw std::runtime_error("cannot read the screen of display " + display);
  }
  // A binary PPM, made a PNG by ImageMagick.
  std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  ppm.reserve(ppm.size() + static_cast<std::size_t>(width) * height * 3);
  auto channel = [](unsigned long pixel, unsigned long mask) {
    if (!mask) return '\0';
    while (!(mask & 1)) {
      mask >>= 1;
      pixel >>= 1;
    }
    return static_cast<char>((pixel & mask) * 255 / mask);
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      ppm += {channel(p, image->red_mask), channel(p, image->green_mask), channel(p, image->blue_mask)};
    }
  XDestroyImage(image);
  XCloseDisplay(dpy);
  const std::string raw = pngPath + ".ppm";
  WriteFile(raw, ppm);
  MustRun({"/usr/bin/convert", raw, pngPath}, {{"PATH", GetEnv("PATH")}});
  std::filesystem::remove(raw);
}

}  // namespace toviwall::test
