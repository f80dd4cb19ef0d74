// What the user waits for: from a change command on the control socket to the
// new root pixmap published (_XROOTPMAP_ID), with the running program painting
// the root itself, for the benchmarks' 6000 x 4000 JPEG under each filling type
// on a 1920 x 1080 and a 3840 x 2160 screen. Beside it, in the same rounds:
// djpeg decoding the same file (the floor), and feh and hsetroot doing the same
// job as whole processes. Then the change hot key pressed through XTEST under
// Resize to Fit, timed to the new root pixmap beside djpeg, with the settings
// file's writes per change. Then the program's resident memory over many changes.
//
//   toviwall_bench_latency [--runs N] [--changes N] [--data FOLDER] [--only TYPE|hotkey]
//
// Each row gives the median, and our median divided by that row's. "answered"
// is when the command's answer came, the output file complete by then.
//
// Fit with blurred background, which neither feh nor hsetroot has, is set
// beside ImageMagick composing the same picture.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchProcess.h"
#include "base/RemoteProtocol.h"
#include "support/TestSession.h"
#include "wallpaper/BlurredBackground.h"
#include "wallpaper/Composition.h"
#include "wallpaper/FillingType.h"

// After our headers: Xlib's macros (None, Status) would clash with their names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using namespace toviwall;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Median;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct FillingCase {
  int type;  // the stored "Type"
  const char* name;
  std::vector<std::string> feh, hsetroot;  // their options for the same placement
};

const std::vector<FillingCase> kCases = {
    {0, "Center", {"--bg-center"}, {"-center"}},
    {1, "Tile", {"--bg-tile"}, {"-tile"}},
    {2, "Stretch", {"--bg-scale"}, {"-fill"}},
    {3, "Resize to Fit", {"--bg-max"}, {"-full"}},
    {4, "Shrink to Fit", {"--bg-max"}, {"-full"}},
    {5, "Zoom", {"--bg-fill"}, {"-cover"}},
    {6, "Fit with blurred background", {}, {}},  // neither has it
};

// The running program on a private display, driven over its socket, watched
// through the root window's properties.
class Program {
 public:
  Program(int width, int height, int type, const std::vector<std::string>& pictures, const std::string& extra = {}) {
    test::SessionOptions options;
    options.width = width;
    options.height = height;
    options.tray = true;
    session_ = std::make_unique<test::Session>(options);
    session_->WriteProfile("Type=" + std::to_string(type) + "\n" + extra);
    std::string list;
    for (const auto& p : pictures) list += p + "\r\n";
    const std::string ini = session_->DefaultSettingsFile();
    test::WriteFile(ini.substr(0, ini.size() - 4) + ".lst", list);
    dpy_ = XOpenDisplay(session_->Display().c_str());
    if (!dpy_) throw std::runtime_error("cannot open the benchmark's display");
    root_ = DefaultRootWindow(dpy_);
    rootmap_ = XInternAtom(dpy_, "_XROOTPMAP_ID", False);
    XSelectInput(dpy_, root_, PropertyChangeMask);
    XSync(dpy_, False);
    settingsWrites_ = std::make_unique<test::FileWrites>(fs::path(ini).parent_path(), fs::path(ini).filename());
    process_ = session_->StartReady();
    // The stored entry is shown at start; wait for it, then for the program to settle.
    if (!WaitPublished(60.0)) throw std::runtime_error("the program showed no wallpaper at start");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Drain();
  }
  ~Program() {
    if (process_) {
      Command("exit", 30.0);
      process_->Wait(10000);
    }
    if (dpy_) XCloseDisplay(dpy_);
  }

  pid_t Pid() const { return process_->Pid(); }
  const std::string& Display() const { return session_->Display(); }
  test::Env Environment() const { return session_->Environment(); }

  struct Timing {
    double published = -1, answered = -1;
  };
  // Sends the command; times the next root pixmap and the final answer.
  Timing Command(const std::string& name, double limit = 120.0) {
    Drain();
    Timing t;
    const int sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = session_->RuntimeDir() + "/Tovi_WallChanger";
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(sock);
      throw std::runtime_error("cannot reach the program's socket");
    }
    remote::Request request;
    request.command = *remote::CommandNamed(name);
    const std::string frame = remote::Encode(request);
    const auto start = Clock::now();
    if (::write(sock, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
      ::close(sock);
      throw std::runtime_error("cannot send the command");
    }
    remote::Reader reader(remote::kMaxReplyBytes, false);
    bool answered = false;
    while ((!answered || t.published < 0) && Since(start) < limit) {
      if (answered && name == "exit") break;
      pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {sock, static_cast<short>(answered ? 0 : POLLIN), 0}};
      ::poll(fds, 2, answered ? 2000 : 100);
      if (Published()) t.published = Since(start);
      if (answered && t.published < 0 && Since(start) > 5.0) break;  // this command publishes nothing
      if (fds[1].revents) {
        char buffer[4096];
        const ssize_t n = ::read(sock, buffer, sizeof buffer);
        if (n <= 0) {
          answered = true;
          continue;
        }
        reader.Append({buffer, static_cast<std::size_t>(n)});
        remote::Message m;
        while (reader.Next(m) == remote::Reader::State::Ready)
          if (!m.fields.empty() && m.fields[0] != "working") {
            answered = true;
            t.answered = Since(start);
            if (m.fields[0] != "ok") throw std::runtime_error("the program answered: " + m.fields.back());
          }
      }
    }
    ::close(sock);
    return t;
  }

  // Presses the change hot key (Ctrl+Alt+W, see kHotKey) through XTEST; answers
  // the seconds to the next root pixmap published, -1 when none came in time.
  double PressChangeKey(double limit = 120.0) {
    Drain();
    const KeyCode control = XKeysymToKeycode(dpy_, XK_Control_L), alt = XKeysymToKeycode(dpy_, XK_Alt_L),
                  w = XKeysymToKeycode(dpy_, XK_w);
    XTestFakeKeyEvent(dpy_, control, True, 0);
    XTestFakeKeyEvent(dpy_, alt, True, 0);
    XSync(dpy_, False);
    const auto start = Clock::now();
    XTestFakeKeyEvent(dpy_, w, True, 0);
    XFlush(dpy_);
    const bool published = WaitPublished(limit);
    const double seconds = Since(start);
    for (KeyCode k : {w, alt, control}) XTestFakeKeyEvent(dpy_, k, False, 0);
    XSync(dpy_, False);
    return published ? seconds : -1;
  }
  // The settings file's writes (renames over it) so far, once none has come for
  // half a second: the change's last one is behind its root pixmap.
  std::size_t SettledSettingsWrites() {
    std::size_t count = settingsWrites_->Count();
    for (const auto start = Clock::now(); Since(start) < 30.0;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      const std::size_t now = settingsWrites_->Count();
      if (now == count) break;
      count = now;
    }
    return count;
  }

 private:
  bool Published() {
    bool seen = false;
    while (XPending(dpy_)) {
      XEvent e;
      XNextEvent(dpy_, &e);
      if (e.type == PropertyNotify && e.xproperty.atom == rootmap_ && e.xproperty.state == PropertyNewValue) seen = true;
    }
    return seen;
  }
  bool WaitPublished(double limit) {
    const auto start = Clock::now();
    while (Since(start) < limit) {
      if (Published()) return true;
      pollfd fd{ConnectionNumber(dpy_), POLLIN, 0};
      ::poll(&fd, 1, 100);
    }
    return false;
  }
  void Drain() {
    XSync(dpy_, False);
    Published();
  }

  std::unique_ptr<test::Session> session_;
  std::unique_ptr<test::FileWrites> settingsWrites_;
  std::unique_ptr<test::Process> process_;
  ::Display* dpy_ = nullptr;
  Window root_ = 0;
  Atom rootmap_ = 0;
};

// A whole process run in the program's session, timed to its end.
double Timed(const std::vector<std::string>& argv, const test::Env& env) {
  const auto start = Clock::now();
  test::RunResult r = test::Run(argv, env, 120000);
  if (r.exitCode != 0) throw std::runtime_error(test::CommandLine(argv) + " failed: " + r.err);
  return Since(start);
}

struct Row {
  std::string name;
  std::vector<double> times{};
};

void Print(const std::string& title, const std::vector<Row>& rows) {
  std::printf("\n%s\n", title.c_str());
  std::printf("  %-44s %10s %14s\n", "", "median s", "ours / this");
  const double ours = Median(rows.front().times);
  for (const Row& r : rows) std::printf("  %-44s %10.3f %14.2f\n", r.name.c_str(), Median(r.times), ours / Median(r.times));
  std::fflush(stdout);
}

// The blurred background alone, in this process, around a fitted 3:2 picture
// lying (bands left and right) and standing (EXIF 6: wide bands): median seconds.
std::pair<double, double> BackgroundAlone(int width, int height, int runs) {
  Bitmap24 screen(width, height, 90, 120, 150);
  std::pair<double, double> medians;
  for (bool standing : {false, true}) {
    const FitSize f = FitToScreen(standing ? 4000 : 6000, standing ? 6000 : 4000, width, height);
    const PictureRect at{(width - f.width) / 2, (height - f.height) / 2, f.width, f.height};
    std::vector<double> times;
    for (int round = -1; round < runs; ++round) {
      const auto start = Clock::now();
      FillAroundWithBlur(screen.Whole(), at);
      if (round >= 0) times.push_back(Since(start));
    }
    (standing ? medians.second : medians.first) = Median(times);
  }
  return medians;
}

// What ImageMagick does for the blurred background: the fitted picture over
// the zoomed one blurred with 2.5% of the shorter side.
std::vector<std::string> MagickBlurred(const std::string& jpg, int width, int height, const std::string& output) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string sigma = std::to_string(0.025 * std::min(width, height));
  return {bench::kConvert, jpg, "-filter", "Lanczos", "(", "-clone", "0", "-resize", size + "^", "-gravity", "center",
          "-extent", size, "-blur", "0x" + sigma, ")", "(", "-clone", "0", "-resize", size, ")", "-delete", "0",
          "-gravity", "center", "-composite", output};
}

void Latency(const std::string& jpg, int width, int height, const FillingCase& c, int runs) {
  Program program(width, height, c.type, {jpg});
  const test::Env env = program.Environment();
  std::vector<Row> rows = {{"toviwall, command to root pixmap published"},
                           {"toviwall, command to its answer"},
                           {"djpeg (decode only)"}};
  std::vector<std::vector<std::string>> peers;
  if (c.feh.empty()) {  // no setter has it: ImageMagick composing the same
    rows.push_back({"ImageMagick, the same picture (BMP)"});
    const fs::path out = fs::path(jpg).parent_path() / "out";
    fs::create_directories(out);
    peers.push_back(MagickBlurred(jpg, width, height, out / "latency-magick.bmp"));
  } else {
    rows.push_back({"feh " + c.feh.front()});
    rows.push_back({"hsetroot " + c.hsetroot.front()});
    peers.push_back({"/usr/bin/feh", "--no-fehbg"});
    peers.back().insert(peers.back().end(), c.feh.begin(), c.feh.end());
    peers.push_back({"/usr/bin/hsetroot"});
    peers.back().insert(peers.back().end(), c.hsetroot.begin(), c.hsetroot.end());
    for (auto& p : peers) p.push_back(jpg);
    if (c.type >= 3) {  // fitting, Zoom included
      rows.push_back({"hsetroot -fill (stretched)"});
      peers.push_back({"/usr/bin/hsetroot", "-fill", jpg});
    }
  }
  for (int round = -1; round < runs; ++round) {
    const Program::Timing t = program.Command("change");
    if (t.published < 0) throw std::runtime_error("a change published no root pixmap");
    std::vector<double> times = {t.published, t.answered, Timed({"/usr/bin/djpeg", "-outfile", "/dev/null", jpg}, env)};
    for (const auto& p : peers) times.push_back(Timed(p, env));
    if (round < 0) continue;  // the warm-up
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].times.push_back(times[i]);
  }
  Print(std::string(c.name) + " on " + std::to_string(width) + "x" + std::to_string(height), rows);
  if (c.type == StoredValue(FillingType::FitBlurred)) {
    const auto [lying, standing] = BackgroundAlone(width, height, runs);
    std::printf("  the blurred background alone, in process: %.1f ms around the picture, %.1f ms around the portrait\n",
                1000 * lying, 1000 * standing);
  }
}

// The change hot key as the profile stores it: Ctrl+Alt (3) and the virtual key W.
const char* kHotKey = "[Hotkey]\nChangeWallMod=3\nChangeWallVir=87\n";

// What a user with a 4K monitor waits for: the hot key under Resize to Fit to
// the new root pixmap, beside djpeg decoding the same file in the same rounds;
// and how often one change replaces the settings file.
void HotKey(const std::string& jpg, int width, int height, int runs) {
  Program program(width, height, 3, {jpg}, kHotKey);
  const test::Env env = program.Environment();
  std::vector<Row> rows = {{"toviwall, hot key to root pixmap published"}, {"djpeg (decode only)"}};
  std::vector<double> writes;
  for (int round = -1; round < runs; ++round) {
    const std::size_t before = program.SettledSettingsWrites();
    const double published = program.PressChangeKey();
    if (published < 0) throw std::runtime_error("the hot key published no root pixmap");
    const double djpeg = Timed({"/usr/bin/djpeg", "-outfile", "/dev/null", jpg}, env);
    const std::size_t after = program.SettledSettingsWrites();
    if (round < 0) continue;  // the warm-up
    rows[0].times.push_back(published);
    rows[1].times.push_back(djpeg);
    writes.push_back(static_cast<double>(after - before));
  }
  Print("hot key, Resize to Fit on " + std::to_string(width) + "x" + std::to_string(height), rows);
  std::printf("  %-44s %10.0f\n", "settings file writes per change (median)", Median(writes));
}

double ResidentMiB(pid_t pid) {
  std::string status = test::ReadFile("/proc/" + std::to_string(pid) + "/status");
  const auto at = status.find("VmRSS:");
  return at == std::string::npos ? -1 : std::atof(status.c_str() + at + 6) / 1024.0;
}

void Memory(const fs::path& data, int changes) {
  // Pictures a change takes a fraction of a second for, so many changes fit in minutes.
  std::vector<std::string> pictures;
  for (const char* seed : {"1", "2"}) {
    const std::string p = data / (std::string("memory-") + seed + ".jpg");
    if (!fs::exists(p)) {
      bench::MustRun({bench::kConvert, "-seed", seed, "-size", "2400x1600", "plasma:fractal", "-quality", "90",
                      p + ".tmp.jpg"});
      fs::rename(p + ".tmp.jpg", p);
    }
    pictures.push_back(p);
  }
  Program program(1920, 1080, 3, pictures);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const double start = ResidentMiB(program.Pid());
  double at1000 = -1;
  const auto began = Clock::now();
  for (int i = 1; i <= changes; ++i) {
    if (program.Command("change").published < 0) throw std::runtime_error("a change published no root pixmap");
    if (i == std::min(1000, changes)) at1000 = ResidentMiB(program.Pid());
  }
  const double atEnd = ResidentMiB(program.Pid());
  const double seconds = Since(began);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const double idle = ResidentMiB(program.Pid());
  std::printf("\nresident memory over %d changes (2400x1600 JPEGs, Resize to Fit, 1920x1080; %.1f changes/s)\n", changes,
              changes / seconds);
  std::printf("  %-24s %8.1f MiB\n  %-24s %8.1f MiB\n  %-24s %8.1f MiB\n  %-24s %8.1f MiB\n", "at start (idle)", start,
              ("after " + std::to_string(std::min(1000, changes))).c_str(), at1000,
              ("after " + std::to_string(changes)).c_str(), atEnd, "idle 5 s later", idle);
  std::printf("  growth from 1,000 to the end: %+.1f MiB\n", atEnd - at1000);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7, changes = 10000;
  fs::path data = bench::DataFolder();
  std::string only;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--changes" && i + 1 < argc) changes = std::max(0, std::atoi(argv[++i]));
    else if (a == "--data" && i + 1 < argc) data = argv[++i];
    else if (a == "--only" && i + 1 < argc) only = argv[++i];
    else {
      std::fprintf(stderr, "usage: toviwall_bench_latency [--runs N] [--changes N] [--data FOLDER] [--only TYPE|hotkey]\n");
      return 2;
    }
  }
  for (const char* tool : {"/usr/bin/djpeg", "/usr/bin/feh", "/usr/bin/hsetroot", "/usr/bin/Xvfb", "/usr/bin/trayer",
                           bench::kConvert, bench::kPython})
    if (access(tool, X_OK) != 0) {
      std::fprintf(stderr, "toviwall_bench_latency: needs %s; run scripts/setup\n", tool);
      return 1;
    }
  try {
    const std::string jpg = bench::Photograph(data);
    std::printf("toviwall_bench_latency: %d runs after one warm-up, %u processors; %s (6000x4000)\n", runs,
                std::max(1u, std::thread::hardware_concurrency()), jpg.c_str());
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}})
      for (const FillingCase& c : kCases)
        if (only.empty() || only == std::to_string(c.type)) Latency(jpg, w, h, c, runs);
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}})
      if (only.empty() || only == "hotkey") HotKey(jpg, w, h, runs);
    if (changes > 0) Memory(data, changes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "toviwall_bench_latency: %s\n", e.what());
    return 1;
  }
  return 0;
}
