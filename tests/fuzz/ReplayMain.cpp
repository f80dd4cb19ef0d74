// A fuzz entry point without libFuzzer: every seed of the corpus folders, then
// for a few seconds seeds changed at random (bits flipped, bytes set to edge
// values, cut short, stretches repeated or spliced from another seed). The
// random source is fixed, so a failure comes back on the next run.
//   fuzz_replay_NAME [--seconds N] CORPUS_FOLDER...
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Mutate(const std::vector<Bytes>& seeds, std::mt19937& rng) {
  auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
  Bytes b = seeds[pick(seeds.size())];
  int changes = 1 + static_cast<int>(rng() % 4);
  for (int c = 0; c < changes; ++c) {
    if (b.empty()) b.push_back(0);
    switch (rng() % 6) {
      case 0: b[pick(b.size())] ^= static_cast<std::uint8_t>(1u << (rng() % 8)); break;
      case 1: {
        static const std::uint8_t edge[] = {0, 1, 0x7F, 0x80, 0xFE, 0xFF};
        b[pick(b.size())] = edge[rng() % std::size(edge)];
        break;
      }
      case 2: b.resize(pick(b.size() + 1)); break;
      case 3: {  // a stretch repeated in place
        std::size_t at = pick(b.size()), len = std::min<std::size_t>(1 + rng() % 64, b.size() - at);
        Bytes piece(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + len));
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
        break;
      }
      case 4: {  // the tail of another seed
        const Bytes& other = seeds[pick(seeds.size())];
        std::size_t at = pick(b.size()), from = pick(other.size());
        b.resize(at);
        b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
      default: {  // a 32-bit field set to a large value (sizes, offsets)
        if (b.size() < 4) break;
        std::size_t at = pick(b.size() - 3);
        std::uint32_t v = rng() % 2 ? 0xFFFFFFFFu >> (rng() % 24) : rng();
        for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
      }
    }
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 3;
  std::vector<Bytes> seeds;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
      continue;
    }
    for (const auto& e : std::filesystem::directory_iterator(a)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  if (seeds.empty()) {
    std::fprintf(stderr, "usage: %s [--seconds N] CORPUS_FOLDER...\n", argv[0]);
    return 2;
  }
  for (const Bytes& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());
  std::mt19937 rng(12345);
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long runs = 0;
  while (std::chrono::steady_clock::now() < end) {
    Bytes b = Mutate(seeds, rng);
    LLVMFuzzerTestOneInput(b.data(), b.size());
    ++runs;
  }
  std::printf("%zu seeds, %ld changed inputs, no failure\n", seeds.size(), runs);
  return 0;
}
