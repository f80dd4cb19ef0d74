#pragma once
// Whole-process races for the benchmarks: each command runs as a process of its
// own, one warm-up, then rounds taking the programs in turn, so drift of a shared
// machine touches them all alike. Each row gives the median wall time, the
// largest peak resident memory of the runs and our median divided by that
// program's (the first row is ours).
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace toviwall::bench {

inline const char* kConvert = "/usr/bin/convert";  // another "convert" may come first on PATH
inline const char* kPython = "/usr/bin/python3";   // the one with Pillow
inline const char* kVips = "/usr/bin/vips";

using Clock = std::chrono::steady_clock;

struct Sample {
  double seconds = 0;
  double peakMiB = 0;
  int status = 0;
};

inline Sample RunOnce(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Sample s;
  s.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  s.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  s.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return s;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Contender {
  std::string name;
  std::vector<std::string> argv;
  std::vector<double> times{};
  double peak = 0;
  bool failed = false;
};

// Answers our median (0 when ours failed).
inline double Race(const std::string& title, std::vector<Contender> field, int runs) {
  for (int round = -1; round < runs; ++round)
    for (auto& c : field) {
      Sample s = RunOnce(c.argv);
      if (s.status != 0) c.failed = true;
      if (round < 0) continue;  // the warm-up
      c.times.push_back(s.seconds);
      c.peak = std::max(c.peak, s.peakMiB);
    }
  std::printf("\n%s\n", title.c_str());
  std::printf("  %-38s %10s %10s %12s %12s\n", "program", "median s", "peak MiB", "time ratio", "memory ratio");
  const double ours = Median(field.front().times), ourPeak = field.front().peak;
  for (const auto& c : field) {
    double m = Median(c.times);
    if (c.failed)
      std::printf("  %-38s %10s %10s %12s %12s\n", c.name.c_str(), "failed", "-", "-", "-");
    else
      std::printf("  %-38s %10.3f %10.1f %12.2f %12.2f\n", c.name.c_str(), m, c.peak, ours / m, ourPeak / c.peak);
  }
  std::fflush(stdout);
  return field.front().failed ? 0 : ours;
}

inline void MustRun(const std::vector<std::string>& argv) {
  if (RunOnce(argv).status != 0) {
    std::fprintf(stderr, "benchmark: failed: %s ...\n", argv.front().c_str());
    std::exit(1);
  }
}

// The benchmarks' 6000 x 4000 JPEG photograph, made once with ImageMagick.
inline std::string Photograph(const std::filesystem::path& data) {
  std::filesystem::create_directories(data);
  const std::string jpg = data / "photo.jpg";
  if (!std::filesystem::exists(jpg)) {
    std::printf("making the 6000 x 4000 test photograph (once) ...\n");
    std::fflush(stdout);
    MustRun({kConvert, "-seed", "42", "-size", "6000x4000", "plasma:fractal", "-blur", "0x1", "-seed", "7",
             "-attenuate", "0.4", "+noise", "Gaussian", "-quality", "90", "-sampling-factor", "2x2", jpg + ".tmp.jpg"});
    std::filesystem::rename(jpg + ".tmp.jpg", jpg);
  }
  return jpg;
}

// The photograph with an APP1 segment holding nothing but EXIF orientation
// `value` (a little-endian TIFF header and one IFD entry), the compressed data
// untouched: 6 shows it as a 4000 x 6000 portrait.
inline std::string TaggedPhotograph(const std::filesystem::path& data, int value) {
  const std::string jpg = Photograph(data), out = data / ("photo-exif" + std::to_string(value) + ".jpg");
  if (!std::filesystem::exists(out)) {
    MustRun({kPython, "-c",
             "import struct, sys\n"
             "d = open(sys.argv[1], 'rb').read()\n"
             "tiff = b'II*\\0' + struct.pack('<IHHHIHHI', 8, 1, 0x0112, 3, 1, int(sys.argv[3]), 0, 0)\n"
             "app1 = b'Exif\\0\\0' + tiff\n"
             "open(sys.argv[2], 'wb').write(d[:2] + b'\\xff\\xe1' + struct.pack('>H', len(app1) + 2) + app1 + d[2:])\n",
             jpg, out + ".tmp.jpg", std::to_string(value)});
    std::filesystem::rename(out + ".tmp.jpg", out);
  }
  return out;
}

// The folder beside the benchmark programs where their inputs are kept.
inline std::filesystem::path DataFolder() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bench-data";
}

}  // namespace toviwall::bench
