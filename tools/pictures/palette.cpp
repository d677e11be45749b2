#include "tools/pictures/palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr int kColours = 256;
constexpr int kRefinements = 8;

uint32_t packed(Rgb c) {
  return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

int channelOf(uint32_t rgb, int axis) {
  return static_cast<int>(rgb >> (16 - 8 * axis) & 0xff);
}

Rgb unpacked(uint32_t rgb) {
  return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
          static_cast<uint8_t>(rgb)};
}

struct ColourCount {
  uint32_t rgb;
  uint32_t count;
};

// Every colour of the picture once, in order of value, with how many pixels wear it.
std::vector<ColourCount> histogram(const Picture& picture) {
  std::vector<uint32_t> values;
  values.reserve(picture.pixels.size());
  for (Rgb c : picture.pixels) values.push_back(packed(c));
  std::sort(values.begin(), values.end());
  std::vector<ColourCount> colours;
  for (uint32_t v : values) {
    if (colours.empty() || colours.back().rgb != v) colours.push_back({v, 0});
    ++colours.back().count;
  }
  return colours;
}

// Sums over a run of colours, enough for their mean and squared error.
struct Sums {
  double n = 0;
  std::array<double, 3> s{}, q{};

  void add(const ColourCount& c) {
    n += c.count;
    for (int a = 0; a < 3; ++a) {
      const double v = channelOf(c.rgb, a);
      s[a] += v * c.count;
      q[a] += v * v * c.count;
    }
  }
  double error(int axis) const { return n > 0 ? q[axis] - s[axis] * s[axis] / n : 0; }
  double error() const { return error(0) + error(1) + error(2); }
  Sums minus(const Sums& o) const {
    Sums d;
    d.n = n - o.n;
    for (int a = 0; a < 3; ++a) d.s[a] = s[a] - o.s[a], d.q[a] = q[a] - o.q[a];
    return d;
  }
};

// Colours [begin, end) of the histogram.
struct Box {
  size_t begin, end;
  Sums sums;
};

Box boxOf(const std::vector<ColourCount>& colours, size_t begin, size_t end) {
  Box box{begin, end, {}};
  for (size_t i = begin; i < end; ++i) box.sums.add(colours[i]);
  return box;
}

// Median cut: the box with the most squared error is cut across its widest channel, where the two
// halves keep the least squared error, until there are `count` boxes or no box holds two colours.
std::vector<Box> medianCut(std::vector<ColourCount>& colours, int count) {
  std::vector<Box> boxes{boxOf(colours, 0, colours.size())};
  while (static_cast<int>(boxes.size()) < count) {
    Box* worst = nullptr;
    for (Box& box : boxes) {
      if (box.end - box.begin >= 2 && (!worst || box.sums.error() > worst->sums.error())) {
        worst = &box;
      }
    }
    if (!worst) break;
    const Box box = *worst;
    int axis = 0;
    for (int a = 1; a < 3; ++a) {
      if (box.sums.error(a) > box.sums.error(axis)) axis = a;
    }
    // Ties in the channel are ordered by the whole value, so the cut never depends on the sort.
    std::sort(colours.begin() + box.begin, colours.begin() + box.end,
              [axis](const ColourCount& x, const ColourCount& y) {
                const int cx = channelOf(x.rgb, axis), cy = channelOf(y.rgb, axis);
                return cx != cy ? cx < cy : x.rgb < y.rgb;
              });
    Sums left;
    size_t cut = box.begin + 1;
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
      left.add(colours[i]);
      const double error = left.error() + box.sums.minus(left).error();
      if (error < best) best = error, cut = i + 1;
    }
    *worst = boxOf(colours, box.begin, cut);
    boxes.push_back(boxOf(colours, cut, box.end));
  }
  return boxes;
}

int distance(const std::array<int, 3>& a, Rgb b) {
  const int dr = a[0] - b.r, dg = a[1] - b.g, db = a[2] - b.b;
  return dr * dr + dg * dg + db * db;
}

int nearest(const std::vector<Rgb>& palette, const std::array<int, 3>& c) {
  int best = 0, bestDistance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    const int d = distance(c, palette[i]);
    if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
  }
  return best;
}

std::array<int, 3> channels(uint32_t rgb) {
  return {channelOf(rgb, 0), channelOf(rgb, 1), channelOf(rgb, 2)};
}

// Moves each palette colour to the rounded mean of the picture's colours nearest it; a colour
// nearest to none stays.
void refine(const std::vector<ColourCount>& colours, std::vector<Rgb>& palette) {
  for (int round = 0; round < kRefinements; ++round) {
    std::vector<std::array<uint64_t, 4>> sums(palette.size(), {0, 0, 0, 0});
    for (const ColourCount& c : colours) {
      const std::array<int, 3> v = channels(c.rgb);
      std::array<uint64_t, 4>& sum = sums[static_cast<size_t>(nearest(palette, v))];
      for (int a = 0; a < 3; ++a) sum[a] += uint64_t(v[a]) * c.count;
      sum[3] += c.count;
    }
    for (size_t i = 0; i < palette.size(); ++i) {
      const uint64_t n = sums[i][3];
      if (n == 0) continue;
      auto mean = [&](int a) { return static_cast<uint8_t>((sums[i][a] + n / 2) / n); };
      palette[i] = {mean(0), mean(1), mean(2)};
    }
  }
}

// The nearest palette index of each 24-bit colour, found once per colour.
class NearestCache {
 public:
  explicit NearestCache(const std::vector<Rgb>& palette)
      : palette_(palette), index_(size_t{1} << 24, -1) {}

  uint8_t at(const std::array<int, 3>& c) {
    int16_t& index = index_[static_cast<size_t>(c[0] << 16 | c[1] << 8 | c[2])];
    if (index < 0) index = static_cast<int16_t>(nearest(palette_, c));
    return static_cast<uint8_t>(index);
  }

 private:
  const std::vector<Rgb>& palette_;
  std::vector<int16_t> index_;
};

// Floyd-Steinberg on whole-number errors in sixteenths; even rows run left to right, odd rows
// right to left.
void diffuse(const Picture& picture, NearestCache& cache, IndexedPicture* out) {
  const int w = picture.width;
  // Two rows of errors, one pixel of margin on each side, three channels a pixel.
  std::vector<int> here(3 * (static_cast<size_t>(w) + 2), 0), below(here.size(), 0);
  for (int y = 0; y < picture.height; ++y) {
    const int step = y % 2 ? -1 : 1;
    for (int i = 0; i < w; ++i) {
      const int x = step > 0 ? i : w - 1 - i;
      const size_t p = static_cast<size_t>(y) * w + x;
      const size_t e = 3 * (static_cast<size_t>(x) + 1);
      const std::array<int, 3> source = channels(packed(picture.pixels[p]));
      std::array<int, 3> wanted;
      for (int a = 0; a < 3; ++a) wanted[a] = std::clamp(source[a] + here[e + a] / 16, 0, 255);
      const uint8_t index = cache.at(wanted);
      out->indices[p] = index;
      const Rgb got = out->palette[index];
      const int miss[3] = {wanted[0] - got.r, wanted[1] - got.g, wanted[2] - got.b};
      for (int a = 0; a < 3; ++a) {
        here[e + 3 * step + a] += 7 * miss[a];
        below[e - 3 * step + a] += 3 * miss[a];
        below[e + a] += 5 * miss[a];
        below[e + 3 * step + a] += miss[a];
      }
    }
    here.swap(below);
    std::fill(below.begin(), below.end(), 0);
  }
}

}  // namespace

bool exactPalette(const Picture& picture, IndexedPicture* indexed) {
  const std::vector<ColourCount> colours = histogram(picture);
  if (colours.size() > kColours) return false;
  indexed->width = picture.width;
  indexed->height = picture.height;
  indexed->palette.clear();
  for (const ColourCount& c : colours) indexed->palette.push_back(unpacked(c.rgb));
  indexed->indices.clear();
  indexed->indices.reserve(picture.pixels.size());
  for (Rgb c : picture.pixels) {
    const auto at =
        std::lower_bound(colours.begin(), colours.end(), packed(c),
                         [](const ColourCount& entry, uint32_t rgb) { return entry.rgb < rgb; });
    indexed->indices.push_back(static_cast<uint8_t>(at - colours.begin()));
  }
  return true;
}

IndexedPicture quantised(const Picture& picture, bool dither) {
  std::vector<ColourCount> colours = histogram(picture);
  IndexedPicture out;
  out.width = picture.width;
  out.height = picture.height;
  for (const Box& box : medianCut(colours, kColours)) {
    if (box.sums.n == 0) continue;  // only an empty picture's
    auto mean = [&box](int a) {
      return static_cast<uint8_t>(std::lround(box.sums.s[a] / box.sums.n));
    };
    out.palette.push_back({mean(0), mean(1), mean(2)});
  }
  if (out.palette.empty()) out.palette.push_back({0, 0, 0});
  refine(colours, out.palette);
  std::sort(out.palette.begin(), out.palette.end(),
            [](Rgb a, Rgb b) { return packed(a) < packed(b); });
  out.indices.resize(picture.pixels.size());
  NearestCache cache(out.palette);
  if (dither) {
    diffuse(picture, cache, &out);
  } else {
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
      out.indices[i] = cache.at(channels(packed(picture.pixels[i])));
    }
  }
  return out;
}

Picture expanded(const IndexedPicture& indexed) {
  Picture picture{indexed.width, indexed.height, {}};
  picture.pixels.reserve(indexed.indices.size());
  for (uint8_t i : indexed.indices) picture.pixels.push_back(indexed.palette[i]);
  return picture;
}

double psnr(const Picture& a, const Picture& b) {
  double squares = 0;
  for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
    const int dr = a.pixels[i].r - b.pixels[i].r, dg = a.pixels[i].g - b.pixels[i].g,
              db = a.pixels[i].b - b.pixels[i].b;
    squares += dr * dr + dg * dg + db * db;
  }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  const double mse = squares / (3.0 * static_cast<double>(a.pixels.size()));
  return 10 * std::log10(255.0 * 255.0 / mse);
}
