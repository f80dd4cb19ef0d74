// Settings store timings on a large settings file: one value read and one value
// written, as every handler does (the file is read whole for each), with the
// start-up's values behind a section of filler lines.
//
//   toviwall_bench_settings [--mb N] [--runs N] [--dir FOLDER]
//
// The file (default 50 MB) is made in a fresh folder below FOLDER (default
// $TMPDIR or /tmp) and removed at the end. Each figure is the best and the
// median of the runs, after one warm-up run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/IniFile.h"

namespace {

using namespace toviwall;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

void Measure(const char* what, int runs, const std::function<void()>& once) {
  once();  // warm-up, with the file in the cache
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    once();
    t.push_back(Ms(start));
  }
  std::sort(t.begin(), t.end());
  std::printf("  %-40s best %8.1f ms  median %8.1f ms\n", what, t.front(), t[t.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  int mb = 50, runs = 5;
  std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--mb") mb = std::atoi(argv[i + 1]);
    else if (option == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    else if (option == "--dir") dir = argv[i + 1];
  }
  const fs::path folder = fs::path(dir) / ("toviwall-bench-settings-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string file = (folder / "toviwall.ini").string();
  {
    std::ofstream out(file, std::ios::binary);
    out << "[Filler]\n";
    const std::string value(40, 'x');
    for (long size = 0, i = 0; size < mb * 1024L * 1024L; ++i) {
      std::string line = "key" + std::to_string(i) + "=" + value + "\n";
      out << line;
      size += static_cast<long>(line.size());
    }
    out << "\n[Option]\nImage Folder=/srv/pictures\nInterval=9\n";
  }
  std::printf("settings file of %d MB (%s)\n", mb, file.c_str());
  Measure("read one value", runs, [&] { IniReadString(file, "Option", "Image Folder", ""); });
  Measure("read a missing value", runs, [&] { IniReadInteger(file, "Hotkey", "ShowMainVir", 0); });
  int n = 0;
  Measure("write one value", runs, [&] { IniWriteInteger(file, "Option", "Interval", ++n % 67); });
  fs::remove_all(folder);
}
