#include "image/MyStretch.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "image/StretchKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace toviwall {

// The filters take and give single precision; inside they work in double.
float BoxFilter(float x) { return x > -0.5f && x <= 0.5f ? 1.0f : 0.0f; }

float TriangleFilter(float x) {
  double t = std::fabs(static_cast<double>(x));
  return t < 1.0 ? static_cast<float>(1.0 - t) : 0.0f;
}

float HermiteFilter(float x) {
  double t = std::fabs(static_cast<double>(x));
  return t < 1.0 ? static_cast<float>((2.0 * t - 3.0) * t * t + 1.0) : 0.0f;
}

float BellFilter(float x) {
  double t = std::fabs(static_cast<double>(x));
  if (t < 0.5) return static_cast<float>(0.75 - t * t);
  if (t < 1.5) return static_cast<float>(0.5 * (t - 1.5) * (t - 1.5));
  return 0.0f;
}

float SplineFilter(float x) {
  double t = std::fabs(static_cast<double>(x));
  if (t < 1.0) return static_cast<float>(0.5 * t * t * t - t * t + 2.0 / 3.0);
  if (t < 2.0) return static_cast<float>((2.0 - t) * (2.0 - t) * (2.0 - t) / 6.0);
  return 0.0f;
}

namespace {
constexpr double kPi = 3.1415926535897932385;
double Sinc(double x) {
  if (x == 0.0) return 1.0;
  x *= kPi;
  return std::sin(x) / x;
}
}  // namespace

float Lanczos3Filter(float x) {
  double t = std::fabs(static_cast<double>(x));
  return t < 3.0 ? static_cast<float>(Sinc(t) * Sinc(t / 3.0)) : 0.0f;
}

float MitchellFilter(float x) {
  double t = std::fabs(static_cast<double>(x));
  double tt = t * t;
  if (t < 1.0) return static_cast<float>((7.0 * t * tt - 12.0 * tt + 16.0 / 3.0) / 6.0);
  if (t < 2.0) return static_cast<float>((-(7.0 / 3.0) * t * tt + 12.0 * tt - 20.0 * t + 32.0 / 3.0) / 6.0);
  return 0.0f;
}

const std::array<ResampleFilter, 7>& ResampleFilters() {
  static const std::array<ResampleFilter, 7> filters{{
      {"Box", BoxFilter, 0.5f},
      {"Triangle", TriangleFilter, 1.0f},
      {"Hermite", HermiteFilter, 1.0f},
      {"Bell", BellFilter, 1.5f},
      {"B-Spline", SplineFilter, 2.0f},
      {"Lanczos3", Lanczos3Filter, 3.0f},
      {"Mitchell", MitchellFilter, 2.0f},
  }};
  return filters;
}

const ResampleFilter* FindResampleFilter(std::string_view name) {
  for (const auto& f : ResampleFilters())
    if (name == f.name) return &f;
  return nullptr;
}

namespace stretch {

// One pass's contributor lists for target positions first .. first + count - 1
// of a dstSize-wide result, in single precision throughout.
Contributions BuildContributions(int srcSize, int dstSize, FilterFunction filter, float support, int first,
                                 int count) {
  if (count < 0) count = dstSize - first;
  Contributions c;
  c.start.reserve(static_cast<std::size_t>(count) + 1);
  c.start.push_back(0);
  const float src = static_cast<float>(srcSize), dst = static_cast<float>(dstSize);
  // A lone target pixel from a wider source would give the scale 0: it takes the
  // plain ratio instead and sits on the middle of the source.
  const bool lone = dstSize == 1 && srcSize > 1;
  const float scale = srcSize == 1 || lone ? dst / src : (dst - 1.0f) / (src - 1.0f);
  auto add = [&](std::int64_t j, float weight) {
    if (weight == 0.0f) return;
    std::int64_t k = j < 0 ? -j : j >= srcSize ? 2 * std::int64_t{srcSize} - 1 - j : j;
    k = std::clamp<std::int64_t>(k, 0, srcSize - 1);  // still outside: the edge
    c.index.push_back(static_cast<std::int32_t>(k));
    c.weight.push_back(weight);
  };
  for (int i = first; i < first + count; ++i) {
    const float center = lone ? (src - 1.0f) / 2.0f : static_cast<float>(i) / scale;
    if (scale < 1.0f) {
      const float width = support / scale;
      const float fscale = 1.0f / scale;
      const auto left = static_cast<std::int64_t>(std::floor(center - width));
      const auto right = static_cast<std::int64_t>(std::ceil(center + width));
      for (std::int64_t j = left; j <= right; ++j)
        add(j, filter((center - static_cast<float>(j)) / fscale) / fscale);
    } else {
      const float width = support;
      const auto left = static_cast<std::int64_t>(std::floor(center - width));
      const auto right = static_cast<std::int64_t>(std::ceil(center + width));
      for (std::int64_t j = left; j <= right; ++j) add(j, filter(center - static_cast<float>(j)));
    }
    c.start.push_back(static_cast<std::uint32_t>(c.index.size()));
  }
  return c;
}

namespace {

// The lists with each source index counted from the other end (a flipped source).
Contributions& FlipSources(Contributions& c, int srcSize) {
  for (std::int32_t& index : c.index) index = srcSize - 1 - index;
  return c;
}

// The lists in the reverse order of their targets.
Contributions Reversed(const Contributions& c) {
  Contributions r;
  r.start.reserve(c.start.size());
  r.index.reserve(c.index.size());
  r.weight.reserve(c.weight.size());
  r.start.push_back(0);
  for (int t = c.Count() - 1; t >= 0; --t) {
    const auto from = c.start[static_cast<std::size_t>(t)], to = c.start[static_cast<std::size_t>(t) + 1];
    r.index.insert(r.index.end(), c.index.begin() + from, c.index.begin() + to);
    r.weight.insert(r.weight.end(), c.weight.begin() + from, c.weight.begin() + to);
    r.start.push_back(static_cast<std::uint32_t>(r.index.size()));
  }
  return r;
}

// Where the source rows come from: memory, or a decoder that fills ring slots.
class RowSupply {
 public:
  virtual ~RowSupply() = default;
  virtual bool Decodes() const = 0;
  virtual const std::uint8_t* Row(int y) const = 0;  // only when !Decodes()
  virtual void Decode(std::uint8_t* const* rows, int count) = 0;
};

class MemoryRows final : public RowSupply {
 public:
  MemoryRows(const std::uint8_t* data, std::size_t stride) : data_(data), stride_(stride) {}
  bool Decodes() const override { return false; }
  const std::uint8_t* Row(int y) const override { return data_ + stride_ * static_cast<std::size_t>(y); }
  void Decode(std::uint8_t* const*, int) override {}

 private:
  const std::uint8_t* data_;
  std::size_t stride_;
};

class DecodedRows final : public RowSupply {
 public:
  explicit DecodedRows(ImageReader& r) : r_(r) {}
  bool Decodes() const override { return true; }
  const std::uint8_t* Row(int) const override { return nullptr; }
  void Decode(std::uint8_t* const* rows, int count) override { r_.ReadRows(rows, count); }

 private:
  ImageReader& r_;
};

// The two passes over shared state. Work comes in three kinds, taken in this
// order of urgency by whichever thread is free: decoding the next block of
// source rows (one thread at a time, it is sequential), the first pass over a
// decoded block, and the second pass over target rows whose source rows are
// all through the first pass.
//
// The first pass's rows live in a ring just deep enough for the rows one target
// row reads plus some room to run ahead, not in an intermediate bitmap of the
// source's height: a block is passed only once every target row that still
// needs the rows its slots held is finished.
//
// A turned source (EXIF orientation) streams as stored. Its contributor lists
// are those of the upright picture with the source indexes flipped, and target
// rows are taken in the order their source rows arrive (bottom-up when the
// picture is flipped top to bottom), so a flipped picture gives the very bytes
// of the upright one; with a quarter turn each finished row is a target column
// and the passes round in the other order. Nothing of the picture is held whole.
class Job {
 public:
  static constexpr int kBlockRows = 16;
  static constexpr int kSlots = 8;
  static constexpr int kTargetChunk = 8;
  static constexpr int kAheadRows = 4 * kBlockRows;

  Job(const Kernels& kernels, int srcW, int srcH, const PixelWindow& target, const ResampleArea& area,
      FilterFunction filter, float support, RowSupply& supply, Orientation turn = Orientation::Upright,
      const RowsFinished& finished = {})
      : k_(kernels), srcW_(srcW), srcH_(srcH), target_(target), flips_(FlipsOf(turn)), filter_(filter),
        support_(support), supply_(supply),
        finished_(flips_.swap || flips_.flipY ? nullptr : &finished) {
    // Along a source row and down the source: the target's width and height, swapped by a quarter turn.
    area_ = flips_.swap ? ResampleArea{area.fullHeight, area.fullWidth, area.top, area.left} : area;
    dstW_ = flips_.swap ? target.height : target.width;
    dstH_ = flips_.swap ? target.width : target.height;
    blocks_ = (srcH + kBlockRows - 1) / kBlockRows;
    blockDone_.assign(static_cast<std::size_t>(blocks_), 0);
    targetDone_.assign(static_cast<std::size_t>(dstH_), 0);
    if (supply_.Decodes()) ring_ = std::make_unique_for_overwrite<std::uint8_t[]>(kSlots * kBlockRows * RowBytes24(srcW));
  }

  void Run(int threads) {
    threads = std::max(1, threads);
    if (!supply_.Decodes()) decoded_ = blocks_;
    std::vector<std::thread> helpers;
    try {
      helpers.reserve(static_cast<std::size_t>(threads - 1));
      for (int i = 1; i < threads; ++i) helpers.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // No more threads to be had: the ones running share the work.
    }
    // The helpers decode the first rows while the weights are worked out here.
    {
      std::exception_ptr error;
      try {
        Plan();
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard lock(m_);
      planned_ = true;
      if (error && !error_) error_ = error;
    }
    cv_.notify_all();
    Work();
    for (auto& t : helpers) t.join();
    if (error_) std::rethrow_exception(error_);
  }

 private:
  // The contributor lists and the first pass's ring.
  void Plan() {
    const int dstW = dstW_, dstH = dstH_;
    h_ = BuildContributions(srcW_, area_.fullWidth, filter_, support_, area_.left, dstW);
    Contributions v = BuildContributions(srcH_, area_.fullHeight, filter_, support_, area_.top, dstH);
    if (flips_.flipX) FlipSources(h_, srcW_);
    if (flips_.flipY) v = Reversed(FlipSources(v, srcH_));
    // Source rows the second pass reads, and the first and last one each target row needs.
    needed_.assign(static_cast<std::size_t>(srcH_), 0);
    lastNeeded_.assign(static_cast<std::size_t>(dstH), -1);
    lowestNeededFrom_.assign(static_cast<std::size_t>(dstH) + 1, INT_MAX);
    for (int t = dstH - 1; t >= 0; --t) {
      int lowest = lowestNeededFrom_[static_cast<std::size_t>(t) + 1];
      for (std::uint32_t n = v.start[static_cast<std::size_t>(t)]; n < v.start[static_cast<std::size_t>(t) + 1]; ++n) {
        needed_[static_cast<std::size_t>(v.index[n])] = 1;
        lastNeeded_[static_cast<std::size_t>(t)] = std::max(lastNeeded_[static_cast<std::size_t>(t)], v.index[n]);
        lowest = std::min(lowest, static_cast<int>(v.index[n]));
      }
      lowestNeededFrom_[static_cast<std::size_t>(t)] = lowest;
    }
    int span = 1;
    for (int t = 0; t < dstH; ++t)
      if (lastNeeded_[static_cast<std::size_t>(t)] >= 0)
        span = std::max(span, lastNeeded_[static_cast<std::size_t>(t)] - lowestNeededFrom_[static_cast<std::size_t>(t)] + 1);
    midRows_ = std::min(srcH_, span + kAheadRows);
    vRing_ = std::move(v);
    for (std::int32_t& index : vRing_.index) index %= midRows_;
    midStride_ = RowBytes24(dstW);
    CheckImageSize(dstW, midRows_);
    mid_ = std::make_unique_for_overwrite<std::uint8_t[]>(midStride_ * static_cast<std::size_t>(midRows_));
  }

  int BlockSize(int b) const { return std::min(kBlockRows, srcH_ - b * kBlockRows); }
  std::uint8_t* SlotRow(int b, int r) {
    return ring_.get() + (static_cast<std::size_t>(b % kSlots) * kBlockRows + static_cast<std::size_t>(r)) * RowBytes24(srcW_);
  }
  std::uint8_t* MidRow(int y) { return mid_.get() + midStride_ * static_cast<std::size_t>(y % midRows_); }
  // Block b's rows may go into the ring: what their slots held is needed no more.
  bool MidFree(int b) const {
    const int end = std::min(srcH_, (b + 1) * kBlockRows);
    return end - midRows_ <= lowestNeededFrom_[static_cast<std::size_t>(lowestUnfinished_)];
  }

  void Work() {
    std::unique_lock lock(m_);
    try {
      lock.unlock();
      std::vector<float> scratch(static_cast<std::size_t>(srcW_) * 3 * kLanes);
      std::vector<std::uint8_t> turned(flips_.swap ? RowBytes24(dstW_) : 0);
      lock.lock();
      // A decoder is read to its end even when the last rows are not needed, so
      // that damage anywhere in the file is noticed.
      while (!error_ && (rowsFinished_ < dstH_ || (supply_.Decodes() && decoded_ < blocks_))) {
        if (supply_.Decodes() && !decoding_ && decoded_ < blocks_ && decoded_ - firstBusySlot_ < kSlots) {
          int b = decoded_;
          decoding_ = true;
          lock.unlock();
          std::uint8_t* rows[kBlockRows];
          for (int r = 0; r < BlockSize(b); ++r) rows[r] = SlotRow(b, r);
          supply_.Decode(rows, BlockSize(b));
          lock.lock();
          decoding_ = false;
          ++decoded_;
          cv_.notify_all();
          continue;
        }
        if (!planned_) {
          cv_.wait(lock);
          continue;
        }
        if (nextBlock_ < decoded_ && MidFree(nextBlock_)) {
          int b = nextBlock_++;
          lock.unlock();
          FirstPass(b, scratch.data());
          lock.lock();
          blockDone_[static_cast<std::size_t>(b)] = 1;
          while (firstBusySlot_ < blocks_ && blockDone_[static_cast<std::size_t>(firstBusySlot_)]) ++firstBusySlot_;
          rowsReady_ = std::min(srcH_, firstBusySlot_ * kBlockRows);
          cv_.notify_all();
          continue;
        }
        int first = nextTarget_, last = first;
        while (last < dstH_ && last - first < kTargetChunk &&
               lastNeeded_[static_cast<std::size_t>(last)] < rowsReady_)
          ++last;
        if (last > first) {
          nextTarget_ = last;
          lock.unlock();
          for (int t = first; t < last; ++t) SecondPass(t, turned.data());
          lock.lock();
          rowsFinished_ += last - first;
          for (int t = first; t < last; ++t) targetDone_[static_cast<std::size_t>(t)] = 1;
          const int before = lowestUnfinished_;
          while (lowestUnfinished_ < dstH_ && targetDone_[static_cast<std::size_t>(lowestUnfinished_)])
            ++lowestUnfinished_;
          if (lowestUnfinished_ > before && finished_ && *finished_) (*finished_)(lowestUnfinished_);
          cv_.notify_all();
          continue;
        }
        cv_.wait(lock);
      }
    } catch (...) {
      if (!lock.owns_lock()) lock.lock();
      if (!error_) error_ = std::current_exception();
      decoding_ = false;
    }
    cv_.notify_all();
  }

  void FirstPass(int b, float* scratch) {
    const int y0 = b * kBlockRows, n = BlockSize(b);
    for (int g = 0; g < n; g += kLanes) {
      const int lanes = std::min(kLanes, n - g);
      bool any = false;
      const std::uint8_t* in[kLanes];
      std::uint8_t* out[kLanes];
      for (int l = 0; l < lanes; ++l) {
        int y = y0 + g + l;
        any = any || needed_[static_cast<std::size_t>(y)];
        in[l] = supply_.Decodes() ? SlotRow(b, g + l) : supply_.Row(y);
        out[l] = MidRow(y);
      }
      if (any) k_.horizontal(in, lanes, srcW_, h_, scratch, out);
    }
  }

  // Row t of the result: a target row, or with a quarter turn a target column
  // (by way of `turned`, one row's bytes); counted from the far end when flipped.
  void SecondPass(int t, std::uint8_t* turned) {
    const std::size_t bytes = static_cast<std::size_t>(dstW_) * 3;
    const int at = flips_.flipY ? dstH_ - 1 - t : t;
    if (!flips_.swap) {
      k_.vertical(vRing_, t, mid_.get(), midStride_, target_.Row(at), bytes);
      return;
    }
    k_.vertical(vRing_, t, mid_.get(), midStride_, turned, bytes);
    std::uint8_t* out = target_.Row(0) + 3 * static_cast<std::size_t>(at);
    for (int y = 0; y < dstW_; ++y, out += target_.stride) std::memcpy(out, turned + 3 * static_cast<std::size_t>(y), 3);
  }

  const Kernels& k_;
  const int srcW_, srcH_;
  const PixelWindow target_;
  const Flips flips_;
  const FilterFunction filter_;
  const float support_;
  ResampleArea area_;        // along the source's rows and down it
  int dstW_ = 0, dstH_ = 0;  // the result's rows: the target's, or its columns after a quarter turn
  RowSupply& supply_;
  const RowsFinished* finished_;  // null: the rows finish in another order
  Contributions h_, vRing_;
  std::vector<std::uint8_t> needed_;
  std::vector<std::int32_t> lastNeeded_;
  std::vector<int> lowestNeededFrom_;  // the lowest source row target rows t, t + 1, ... read
  int midRows_ = 0;
  std::size_t midStride_ = 0;
  std::unique_ptr<std::uint8_t[]> mid_;
  std::unique_ptr<std::uint8_t[]> ring_;
  int blocks_ = 0;

  std::mutex m_;
  std::condition_variable cv_;
  bool planned_ = false;  // the lists and the ring are there
  bool decoding_ = false;
  int decoded_ = 0;        // blocks decoded (or available in memory)
  int nextBlock_ = 0;      // next block for the first pass
  int firstBusySlot_ = 0;  // blocks before it are through the first pass
  std::vector<std::uint8_t> blockDone_;
  int rowsReady_ = 0;  // source rows through the first pass, counted from the top
  int nextTarget_ = 0;
  int rowsFinished_ = 0;
  std::vector<std::uint8_t> targetDone_;
  int lowestUnfinished_ = 0;
  std::exception_ptr error_;
};

int DefaultThreads(const PixelWindow& target, int srcH) {
  // Below a few hundred thousand weighted pixels a second thread costs more than it gives.
  if (static_cast<std::int64_t>(target.width) * std::max(srcH, target.height) < 200000) return 1;
  unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, 8u));
}

void Check(int srcW, int srcH) {
  if (srcW < 1 || srcH < 1) throw ImageError("Source bitmap too small");
}

void CheckArea(const PixelWindow& target, const ResampleArea& area) {
  if (area.left < 0 || area.top < 0 || static_cast<std::int64_t>(area.left) + target.width > area.fullWidth ||
      static_cast<std::int64_t>(area.top) + target.height > area.fullHeight)
    throw ImageError("The target lies outside the resampled picture");
}

ResampleArea WholeOf(const Bitmap24& target) { return {target.Width(), target.Height(), 0, 0}; }

void FromMemory(const Kernels& kernels, const std::uint8_t* data, std::size_t stride, int width, int height,
                const PixelWindow& target, const ResampleArea& area, FilterFunction filter, float support, int threads) {
  Check(width, height);
  if (target.Empty()) return;
  CheckArea(target, area);
  MemoryRows rows(data, stride);
  Job(kernels, width, height, target, area, filter, support, rows).Run(threads);
}

}  // namespace

void StretchUsing(const Kernels& kernels, const PixelWindow& source, const PixelWindow& target, const ResampleArea& area,
                  FilterFunction filter, float support, int threads) {
  FromMemory(kernels, source.data, source.stride, source.width, source.height, target, area, filter, support, threads);
}

void StretchUsing(const Kernels& kernels, const Bitmap24& source, const PixelWindow& target, const ResampleArea& area,
                  FilterFunction filter, float support, int threads) {
  FromMemory(kernels, source.Data(), source.Stride(), source.Width(), source.Height(), target, area, filter, support,
             threads);
}

void StretchUsing(const Kernels& kernels, ImageReader& source, const PixelWindow& target, const ResampleArea& area,
                  FilterFunction filter, float support, int threads, const RowsFinished& finished) {
  const int srcH = source.Height() - source.RowsRead();
  Check(source.Width(), srcH);
  if (target.Empty()) return;
  CheckArea(target, area);
  DecodedRows rows(source);
  Job(kernels, source.Width(), srcH, target, area, filter, support, rows, source.Turn(), finished).Run(threads);
}

void StretchUsing(const Kernels& kernels, const Bitmap24& source, Bitmap24& target, FilterFunction filter,
                  float support, int threads) {
  StretchUsing(kernels, source, target.Whole(), WholeOf(target), filter, support, threads);
}

void StretchUsing(const Kernels& kernels, ImageReader& source, Bitmap24& target, FilterFunction filter,
                  float support, int threads) {
  StretchUsing(kernels, source, target.Whole(), WholeOf(target), filter, support, threads);
}

}  // namespace stretch

void Stretch(const Bitmap24& source, Bitmap24& target, FilterFunction filter, float support) {
  stretch::StretchUsing(stretch::BestKernels(), source, target, filter, support,
                        stretch::DefaultThreads(target.Whole(), source.Height()));
}

void Stretch(ImageReader& source, Bitmap24& target, FilterFunction filter, float support) {
  StretchInto(source, target.Whole(), {target.Width(), target.Height(), 0, 0}, filter, support);
}

void StretchInto(ImageReader& source, const PixelWindow& target, const ResampleArea& area, FilterFunction filter,
                 float support, int threads, const RowsFinished& finished) {
  // The decoder keeps one thread busy; one more resamples.
  if (threads < 1) threads = std::max(2, stretch::DefaultThreads(target, source.Height()));
  stretch::StretchUsing(stretch::BestKernels(), source, target, area, filter, support, threads, finished);
}

void StretchInto(const PixelWindow& source, const PixelWindow& target, const ResampleArea& area, FilterFunction filter,
                 float support, int threads) {
  if (threads < 1) threads = stretch::DefaultThreads(target, source.height);
  stretch::StretchUsing(stretch::BestKernels(), source, target, area, filter, support, threads);
}

namespace {

// Sums of each byte over an n x n block, in 16 bits (at most 16 x 255 = 4080),
// then shifted down: the floor of the mean.
template <int N>
void BoxReducePortable(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
                       int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source) {
  constexpr int kShift = N == 2 ? 2 : 4;
  for (int y = rect.top; y < rect.bottom; ++y) {
    std::uint8_t* out = target + y * targetStride + std::ptrdiff_t{rect.left} * 4;
    const std::uint8_t* in = source + (sourceRow + std::ptrdiff_t{N} * (y - rect.top)) * sourceStride + std::ptrdiff_t{sourceColumn} * 4;
    for (int x = 0; x < rect.right - rect.left; ++x, out += 4, in += 4 * N)
      for (int b = 0; b < 4; ++b) {
        unsigned sum = 0;
        for (int dy = 0; dy < N; ++dy)
          for (int dx = 0; dx < N; ++dx) sum += in[dy * sourceStride + 4 * dx + b];
        out[b] = static_cast<std::uint8_t>(sum >> kShift);
      }
  }
}

#if defined(__SSE2__)
// The four bytes of a pixel in four 16-bit lanes: unpack, saturating adds, shift, pack.
template <int N>
void BoxReduceSse2(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
                   int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source) {
  constexpr int kShift = N == 2 ? 2 : 4;
  const __m128i zero = _mm_setzero_si128();
  for (int y = rect.top; y < rect.bottom; ++y) {
    std::uint8_t* out = target + y * targetStride + std::ptrdiff_t{rect.left} * 4;
    const std::uint8_t* in = source + (sourceRow + std::ptrdiff_t{N} * (y - rect.top)) * sourceStride + std::ptrdiff_t{sourceColumn} * 4;
    for (int x = 0; x < rect.right - rect.left; ++x, out += 4, in += 4 * N) {
      __m128i sum = zero;
      for (int dy = 0; dy < N; ++dy) {
        const std::uint8_t* row = in + dy * sourceStride;
        for (int dx = 0; dx < N; dx += 2) {
          // Two pixels side by side: eight lanes, folded onto four below.
          __m128i two = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 4 * dx)), zero);
          sum = _mm_adds_epu16(sum, two);
        }
      }
      sum = _mm_adds_epu16(sum, _mm_srli_si128(sum, 8));
      const __m128i bytes = _mm_packus_epi16(_mm_srli_epi16(sum, kShift), zero);
      const int pixel = _mm_cvtsi128_si32(bytes);
      std::memcpy(out, &pixel, 4);
    }
  }
}
#endif

template <int N>
void BoxReduce(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
               int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
#if defined(__SSE2__)
  BoxReduceSse2<N>(target, targetStride, rect, sourceRow, sourceColumn, sourceStride, source);
#else
  BoxReducePortable<N>(target, targetStride, rect, sourceRow, sourceColumn, sourceStride, source);
#endif
}

}  // namespace

void BoxReduce2(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
                int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source) {
  BoxReduce<2>(target, targetStride, rect, sourceRow, sourceColumn, sourceStride, source);
}

void BoxReduce4(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
                int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source) {
  BoxReduce<4>(target, targetStride, rect, sourceRow, sourceColumn, sourceStride, source);
}

std::uint8_t CpuFlags() {
  static const std::uint8_t flags = [] {
    std::uint8_t f = 0;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // __get_cpuid first checks that the instruction exists (the ID flag test on 32-bit).
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) && ((eax >> 8) & 0xF) >= 5) {
      f |= kCpuHasCpuid;
      if ((edx & (1u << 23)) && (edx & (1u << 26))) f |= kCpuHasMmx;
    }
#endif
    return f;
  }();
  return flags;
}

}  // namespace toviwall
