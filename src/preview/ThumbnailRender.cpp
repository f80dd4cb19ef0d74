#include "preview/ThumbnailRender.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/ImageConvert.h"
#include "image/MyStretch.h"

namespace toviwall {

Pixels32::Pixels32(int width, int height) {
  CheckImageSize(width, height);
  width_ = width;
  height_ = height;
  data_ = std::make_unique_for_overwrite<std::uint8_t[]>(Stride() * static_cast<std::size_t>(height));
}

std::uint8_t* Pixels32::Release() {
  width_ = height_ = 0;
  return data_.release();
}

int NearestSource(int i, int targetLength, int sourceLength) {
  const std::int64_t s = (2 * std::int64_t{i} + 1) * sourceLength / (2 * std::int64_t{targetLength});
  return static_cast<int>(std::min<std::int64_t>(s, sourceLength - 1));
}

void StretchNearest(ImageReader& source, Pixels32& target, const RenderCancelled& cancelled) {
  // Target lines each take one stored row: target rows, or target columns after
  // a quarter turn, in the order their rows come (from the far end when the
  // picture is flipped top to bottom). Positions are picked on the upright
  // picture, so a turned one gives the very pixels of the upright one.
  const Flips f = FlipsOf(source.Turn());
  const int sw = source.Width(), sh = source.Height();
  const int lines = f.swap ? target.Width() : target.Height(), length = f.swap ? target.Height() : target.Width();
  std::vector<std::size_t> columns(static_cast<std::size_t>(length));
  for (int i = 0; i < length; ++i) {
    const int x = NearestSource(i, length, sw);
    columns[static_cast<std::size_t>(i)] = 3 * static_cast<std::size_t>(f.flipX ? sw - 1 - x : x);
  }
  const std::ptrdiff_t step = f.swap ? static_cast<std::ptrdiff_t>(target.Stride()) : 4;

  constexpr int kBatch = 16;
  const std::size_t rowBytes = static_cast<std::size_t>(sw) * 3;
  std::vector<std::uint8_t> buffer(rowBytes * kBatch);
  std::uint8_t* rows[kBatch];
  for (int k = 0; k < kBatch; ++k) rows[k] = buffer.data() + rowBytes * static_cast<std::size_t>(k);

  int n = 0;  // target lines done
  for (int first = source.RowsRead(); first < sh; first += kBatch) {
    if (cancelled && cancelled()) throw ThumbnailCancelled{};
    const int count = std::min(kBatch, sh - first);
    source.ReadRows(rows, count);
    for (; n < lines; ++n) {
      const int line = f.flipY ? lines - 1 - n : n;
      const int y = NearestSource(line, lines, sh);
      const int sy = f.flipY ? sh - 1 - y : y;
      if (sy >= first + count) break;  // in a later batch
      const std::uint8_t* in = rows[sy - first];
      std::uint8_t* out = f.swap ? target.Row(0) + 4 * static_cast<std::size_t>(line) : target.Row(line);
      for (int i = 0; i < length; ++i, out += step) {
        const std::uint8_t* p = in + columns[static_cast<std::size_t>(i)];
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        out[3] = 255;
      }
    }
  }
}

RenderedThumbnail RenderThumbnail(const std::string& file, PixelSize client, const ThumbnailLook& look,
                                  bool vectorUnit, const RenderCancelled& cancelled) {
  const PixelSize box = ThumbnailBox(client, look.padding, look.border);
  RenderedThumbnail out;
  PixelSize target;
  int factor = 1;
  auto plan = [&](int width, int height) {
    out.image = {width, height};
    target = ThumbnailTarget(out.image, box, look.options);
    const bool reduced = target.width < width || target.height < height;
    factor = reduced && vectorUnit ? OversamplingFactor(look.quality) : 1;
  };
  std::unique_ptr<ImageReader> reader;
  if (KindOfImage(file) == ImageKind::Jpeg) {
    reader = OpenScaledJpegFile(file, [&](int width, int height) {
      plan(width, height);
      return JpegScaleDenominator(out.image, {factor * target.width, factor * target.height});
    });
  } else {
    reader = OpenImageFile(file);
    plan(reader->UprightWidth(), reader->UprightHeight());
  }
  out.decoded = {reader->UprightWidth(), reader->UprightHeight()};
  if (factor == 1) {
    out.pixels = Pixels32(target.width, target.height);
    StretchNearest(*reader, out.pixels, cancelled);
    return out;
  }
  Pixels32 large(factor * target.width, factor * target.height);
  StretchNearest(*reader, large, cancelled);
  out.pixels = Pixels32(target.width, target.height);
  const PixelRect all{0, 0, target.width, target.height};
  const auto reduce = factor == 4 ? BoxReduce4 : BoxReduce2;
  reduce(out.pixels.Data(), static_cast<std::ptrdiff_t>(out.pixels.Stride()), all, 0, 0,
         static_cast<std::ptrdiff_t>(large.Stride()), large.Data());
  return out;
}

}  // namespace toviwall
