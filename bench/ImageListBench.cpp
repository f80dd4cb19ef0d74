// Image list timings: loading list files of 10,000 and 100,000 existing images
// (alone, and into a shown list view), adding a folder tree of 100,000 files of
// which half are images, and the folder scan against `find DIR -type f`.
//
//   toviwall_bench_imagelist [--files N] [--runs N] [--dir FOLDER]
//
// The trees are made in a fresh folder below FOLDER (default $TMPDIR or /tmp)
// and removed at the end. Each figure is the best and the median of the runs,
// taken after one warm-up run with the file system cache filled.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "imagelist/ImageList.h"
#include "imagelist/ui/ImageListView.h"
#include "imagelist/ListFile.h"
#include "imagelist/PathCollation.h"
#include "imagelist/PathSet.h"
#include "imagelist/ScanFolder.h"

namespace {

using namespace toviwall;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct Figure {
  double best = 0, median = 0;
};

Figure Measure(int runs, const std::function<double()>& once) {
  once();  // warm-up
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) t.push_back(once());
  std::sort(t.begin(), t.end());
  return {t.front(), t[t.size() / 2]};
}

void Print(const char* what, Figure f) { std::printf("  %-52s best %8.3f s  median %8.3f s\n", what, f.best, f.median); }

void Touch(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
  ::close(fd);
}

// n images in folders of 100, as a list the program would have written.
std::vector<std::string> MakeImages(const std::string& root, int n) {
  std::vector<std::string> paths;
  for (int i = 0; i < n; ++i) {
    std::string dir = root + "/album" + std::to_string(i / 100);
    if (i % 100 == 0) fs::create_directories(dir);
    paths.push_back(dir + "/photo " + std::to_string(i) + (i % 3 == 0 ? ".png" : ".jpg"));
    Touch(paths.back());
  }
  std::sort(paths.begin(), paths.end(), PathLess());
  return paths;
}

// n files three levels deep; every second one an image of one of the four types.
void MakeTree(const std::string& root, int n) {
  static const char* const kExt[] = {".jpg", ".txt", ".png", ".xml", ".bmp", ".dat", ".jpeg", ".NEF"};
  for (int i = 0; i < n; ++i) {
    std::string dir = root + "/y" + std::to_string(i / 10000) + "/m" + std::to_string(i / 1000 % 10) + "/d" +
                      std::to_string(i / 100 % 10);
    if (i % 100 == 0) fs::create_directories(dir);
    Touch(dir + "/IMG_" + std::to_string(100000 + i) + kExt[i % 8]);
  }
}

double FindSeconds(const std::string& dir) {
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execlp("find", "find", dir.c_str(), "-type", "f", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return Seconds(start);
}

// What the main window does around a batch: the events are handled and the
// progress shown every 15 ms.
struct WindowHooks {
  QLabel* label;
  QProgressBar* bar;
  Clock::time_point lastPump = Clock::now();
  Clock::time_point lastProgress = Clock::now();

  ImageList::Hooks Make() {
    ImageList::Hooks h;
    h.confirmMany = [](std::size_t) { return true; };
    h.fetchTypeIcon = [](const std::string&) { return -1; };
    h.pump = [this] {
      if (Clock::now() - lastPump < std::chrono::milliseconds(15)) return;
      lastPump = Clock::now();
      QApplication::processEvents();
    };
    h.progress = [this](std::size_t i, std::size_t n) {
      if (i != 0 && i + 1 != n && Clock::now() - lastProgress < std::chrono::milliseconds(15)) return;
      lastProgress = Clock::now();
      label->setText(QStringLiteral("Loading image %1 of %2").arg(i).arg(n));
      bar->setValue(static_cast<int>(std::lround(100.0 * static_cast<double>(i) / n)));
    };
    return h;
  }
};

ImageList::Hooks Quiet() {
  ImageList::Hooks h;
  h.confirmMany = [](std::size_t) { return true; };
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 100000, runs = 3;
  std::string base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--files") files = std::atoi(argv[i + 1]);
    else if (a == "--runs") runs = std::atoi(argv[i + 1]);
    else if (a == "--dir") base = argv[i + 1];
  }
  const int small = std::max(1, files / 10);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  std::string tmpl = base + "/toviwall-bench-XXXXXX";
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string root = tmpl;
  std::printf("Image list benchmark in %s (%d files, %d runs)\n", root.c_str(), files, runs);
  auto made = Clock::now();
  SaveImageList(root + "/small.lst", MakeImages(root + "/small", small));
  SaveImageList(root + "/large.lst", MakeImages(root + "/large", files));
  MakeTree(root + "/tree", files);
  std::printf("  (made the files in %.1f s)\n", Seconds(made));

  auto load = [&](const std::string& lst, int expected) {
    return [&, lst, expected] {
      ImageList list;
      list.SetHooks(Quiet());
      list.SetListFile(root + "/" + lst);
      auto start = Clock::now();
      list.LoadImageList(root + "/none.ini");
      double s = Seconds(start);
      if (list.Rows().Count() != expected) std::printf("  !! %d rows, expected %d\n", list.Rows().Count(), expected);
      return s;
    };
  };
  char title[128];
  std::snprintf(title, sizeof title, "LoadImageList, %d-line list file", small);
  Print(title, Measure(runs, load("small.lst", small)));
  std::snprintf(title, sizeof title, "LoadImageList, %d-line list file", files);
  Print(title, Measure(runs, load("large.lst", files)));

  // The same into a shown list view, until the rows are drawn.
  Print("  ... into a shown list view, until drawn", Measure(runs, [&] {
          QWidget window;
          QLabel label(&window);
          QProgressBar bar(&window);
          TImageListView view(&window);
          window.resize(450, 390);
          view.setGeometry(0, 0, 320, 300);
          window.show();
          QApplication::processEvents();
          ImageList list;
          WindowHooks hooks{&label, &bar};
          list.SetHooks(hooks.Make());
          list.SetListFile(root + "/large.lst");
          view.Attach(list.Rows());
          auto start = Clock::now();
          list.LoadImageList(root + "/none.ini");
          list.SelectEntry(files / 2);
          view.repaint();
          double s = Seconds(start);
          if (view.model()->rowCount() != files) std::printf("  !! view shows %d rows\n", view.model()->rowCount());
          return s;
        }));

  std::snprintf(title, sizeof title, "AddPaths, tree of %d files (half images)", files);
  Print(title, Measure(runs, [&] {
          ImageList list;
          list.SetHooks(Quiet());
          list.SetListFile(root + "/added.lst");
          auto start = Clock::now();
          list.AddPaths({root + "/tree"});
          double s = Seconds(start);
          if (list.Rows().Count() != files / 2) std::printf("  !! %d rows\n", list.Rows().Count());
          return s;
        }));

  Figure find = Measure(runs, [&] { return FindSeconds(root + "/tree"); });
  Figure scan = Measure(runs, [&] {
    PathSet found;
    int pumps = 0;
    auto start = Clock::now();
    ScanFolder(root + "/tree/*.*", found, [&] { ++pumps; });
    double s = Seconds(start);
    if (pumps != files) std::printf("  !! %d files\n", pumps);
    return s;
  });
  Figure scanSorted = Measure(runs, [&] {
    PathSet found;
    auto start = Clock::now();
    ScanFolder(root + "/tree/*.*", found);
    found.Items();  // sorted, as a batch uses it
    return Seconds(start);
  });
  Print("find DIR -type f", find);
  Print("ScanFolder", scan);
  Print("ScanFolder, then sorted", scanSorted);
  std::printf("  %-52s %8.2f (best), %.2f (sorted)\n", "ScanFolder / find", scan.best / find.best,
              scanSorted.best / find.best);

  fs::remove_all(root);
  return 0;
}
