// Folder watching timings: starting the directory monitor on a tree of 10,000
// folders (time until every folder is watched, watches used), the delay from
// the end of a copy of 1,000 pictures into the watched image folder until
// their rows are shown, and the main thread's longest stall while the image
// folder (a tree of 100,000 files, half of them pictures) is rescanned.
//
//   toviwall_bench_dirmon [--folders N] [--copies N] [--files N] [--runs N] [--dir FOLDER]
//
// The trees are made in a fresh folder below FOLDER (default $TMPDIR or /tmp)
// and removed at the end. The main window runs on Qt's offscreen platform
// with the real inotify watch and no other desktop parts.
#include <QAbstractItemView>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/inotify.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/ui/ImageFolderWatch.h"
#include "app/ui/ImageListPage.h"
#include "app/ui/WallPaperMain.h"
#include "imagelist/ui/DirMon.h"
#include "platform/Platform.h"
#include "platform/local/InotifyDirectoryWatch.h"

namespace {

using namespace toviwall;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void Touch(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
  ::close(fd);
}

bool RunUntil(const std::function<bool()>& done, double seconds) {
  auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

std::size_t InotifyWatches() {
  std::size_t n = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fdinfo")) {
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) n += line.rfind("inotify wd:", 0) == 0;
  }
  return n;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The main window as the program builds it, on its own settings in `dir`.
struct Program {
  Program(const std::string& dir, const std::string& imageFolder) {
    std::ofstream(dir + "/toviwall.ini") << "[Option]\nImage Folder=" << imageFolder
                                         << "\nAutoChangeWallpaper=0\n[Dialogs]\nConfirmTotalDialog=1\n";
    platform::Platform::Parts parts;
    parts.directoryWatch = std::make_unique<platform::InotifyDirectoryWatch>();
    platform = std::make_unique<platform::Platform>(std::move(parts));
    ProcessEnvironment env;
    env.args = {dir + "/toviwall.ini"};
    env.programFile = dir + "/toviwall";
    env.home = dir;
    env.configHome = dir + "/config";
    env.workingDir = dir;
    form = std::make_unique<TMainForm>(env, *platform);
    form->ShowHideMainWindow();
    QApplication::processEvents();
  }
  int Rows() { return form->findChild<QAbstractItemView*>(QStringLiteral("ListViewImage"))->model()->rowCount(); }

  std::unique_ptr<platform::Platform> platform;
  std::unique_ptr<TMainForm> form;
};

}  // namespace

int main(int argc, char** argv) {
  int folders = 10000, copies = 1000, files = 100000, runs = 3;
  std::string base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--folders") folders = std::atoi(argv[i + 1]);
    else if (a == "--copies") copies = std::atoi(argv[i + 1]);
    else if (a == "--files") files = std::atoi(argv[i + 1]);
    else if (a == "--runs") runs = std::atoi(argv[i + 1]);
    else if (a == "--dir") base = argv[i + 1];
  }
  if (int fd = inotify_init1(IN_CLOEXEC); fd >= 0) {
    ::close(fd);
  } else {
    std::perror("no inotify instance (fs.inotify.max_user_instances)");
    return 1;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  std::string tmpl = base + "/toviwall-bench-XXXXXX";
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string root = tmpl;
  std::printf("Folder watch benchmark in %s\n", root.c_str());

  // 1. The monitor on a tree of folders: 100 folders of (folders / 100 - 1) each.
  {
    const int per = std::max(1, folders / 100 - 1);
    for (int i = 0; i < 100; ++i)
      for (int j = 0; j < per; ++j) fs::create_directories(root + "/tree/g" + std::to_string(i) + "/f" + std::to_string(j));
    platform::InotifyDirectoryWatch watches;
    std::vector<double> start, stop;
    int watched = 0;
    std::size_t kernelWatches = 0;
    for (int run = 0; run <= runs; ++run) {
      TDirMon mon(watches);
      mon.SetDirectory(root + "/tree");
      mon.SetNotifyFilter(dmcFileName | dmcDirName);
      mon.Nested = true;
      watched = 0;
      QObject::connect(&mon, &TDirMon::watching, [&](int n) { watched = n; });
      auto t = Clock::now();
      mon.Start();
      if (!RunUntil([&] { return watched > 0; }, 60)) std::printf("  !! the monitor did not get ready\n");
      double s = Seconds(t);
      kernelWatches = InotifyWatches();
      t = Clock::now();
      mon.Stop();
      if (run > 0) {  // the first run fills the caches
        start.push_back(s);
        stop.push_back(Seconds(t));
      }
    }
    std::printf("  %-58s median %8.3f s\n",
                ("Start on " + std::to_string(100 + 100 * per + 1) + " folders, until all are watched").c_str(),
                Median(start));
    std::printf("  %-58s %8d (kernel: %zu)\n", "  watches used", watched, kernelWatches);
    std::printf("  %-58s median %8.3f s\n", "Stop", Median(stop));
  }

  // 2. A copy of pictures into the watched image folder, until their rows show.
  {
    const std::string dir = root + "/copy";
    fs::create_directories(dir + "/pics");
    fs::create_directories(dir + "/source");
    for (int i = 0; i < copies; ++i) Touch(dir + "/source/photo" + std::to_string(i) + ".jpg");
    Program program(dir, dir + "/pics");
    if (!RunUntil([&] { return InotifyWatches() > 0; }, 10)) std::printf("  !! not watching\n");
    auto copyStart = Clock::now();
    for (int i = 0; i < copies; ++i) {
      const std::string name = "/photo" + std::to_string(i) + ".jpg";
      fs::copy_file(dir + "/source" + name, dir + "/pics" + name);
      QApplication::processEvents();  // the window goes on meanwhile
    }
    const double copying = Seconds(copyStart);
    auto copied = Clock::now();
    if (!RunUntil([&] { return program.Rows() == copies; }, 30)) std::printf("  !! %d rows\n", program.Rows());
    program.form->repaint();
    std::printf("  %-58s %8.3f s (the copy took %.3f s)\n",
                ("Copy of " + std::to_string(copies) + " pictures ended -> rows shown").c_str(), Seconds(copied),
                copying);
  }

  // 3. The longest stall of the main thread while a large image folder is rescanned.
  {
    const std::string dir = root + "/large";
    static const char* const kExt[] = {".jpg", ".txt", ".png", ".xml"};
    for (int i = 0; i < files; ++i) {
      std::string folder = dir + "/pics/y" + std::to_string(i / 10000) + "/m" + std::to_string(i / 1000 % 10) + "/d" +
                           std::to_string(i / 100 % 10);
      if (i % 100 == 0) fs::create_directories(folder);
      Touch(folder + "/IMG_" + std::to_string(100000 + i) + kExt[i % 4]);
    }
    auto loading = Clock::now();
    Program program(dir, dir + "/pics");  // empty list: the whole tree is scanned at start-up
    std::printf("  %-58s %8.3f s (%d rows)\n", ("Start-up scan of " + std::to_string(files) + " files").c_str(),
                Seconds(loading), program.Rows());
    if (!RunUntil([&] { return InotifyWatches() > 0; }, 30)) std::printf("  !! not watching\n");

    std::vector<double> stalls, rescans;
    for (int run = 0; run < runs; ++run) {
      const int before = program.Rows();
      // A tick every millisecond; the gaps between them are the stalls.
      Clock::time_point last = Clock::now();
      double longest = 0;
      bool measuring = false;
      QTimer probe;
      probe.setTimerType(Qt::PreciseTimer);
      probe.setInterval(1);
      QObject::connect(&probe, &QTimer::timeout, [&] {
        auto now = Clock::now();
        if (measuring) longest = std::max(longest, std::chrono::duration<double>(now - last).count());
        last = now;
      });
      probe.start();
      RunUntil([] { return false; }, 0.2);
      Touch(dir + "/pics/new" + std::to_string(run) + ".png");
      auto touched = Clock::now();
      measuring = true;
      if (!RunUntil([&] { return program.Rows() == before + 1; }, 60)) std::printf("  !! no new row\n");
      rescans.push_back(Seconds(touched));
      RunUntil([] { return false; }, 0.1);
      measuring = false;
      stalls.push_back(longest);
    }
    std::printf("  %-58s median %8.3f s\n", "A new picture -> its row (notice, 1-2 s wait, rescan)", Median(rescans));
    std::printf("  %-58s median %8.1f ms, worst %.1f ms\n", "  longest stall of the main thread meanwhile",
                Median(stalls) * 1000, *std::max_element(stalls.begin(), stalls.end()) * 1000);
  }

  fs::remove_all(root);
  return 0;
}
