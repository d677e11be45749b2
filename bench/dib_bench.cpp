// Decoding a 4096 x 2048 bitmap from memory, beside stb_image on the same bytes and beside a plain
// copy of the pixel bytes into a fresh block, which is as fast as a decoder can move them.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <cstdlib>
#include <cstring>

#include "bitmap_builder.h"
#include "image/dib_reader.h"

namespace {

constexpr int32_t kWidth = 4096;
constexpr int32_t kHeight = 2048;

Bytes randomBytes(size_t count, uint32_t seed) {
  Bytes out(count);
  for (unsigned char& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = seed >> 24;
  }
  return out;
}

const Bytes& file24() {
  static const Bytes file = buildBitmapWithBits(BitmapForm{}, kWidth, kHeight,
                                                randomBytes(size_t(kWidth) * 3 * kHeight, 1));
  return file;
}

const Bytes& file8() {
  static const Bytes file = [] {
    BitmapForm form;
    form.bitCount = 8;
    Bytes table = randomBytes(256 * 3, 2);
    for (int i = 0; i < 256; ++i) {
      form.palette.push_back(table[3 * i] << 16 | table[3 * i + 1] << 8 | table[3 * i + 2]);
    }
    return buildBitmapWithBits(form, kWidth, kHeight, randomBytes(size_t(kWidth) * kHeight, 3));
  }();
  return file;
}

void setThroughput(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}

void decodeWithReader(benchmark::State& state, const Bytes& file) {
  errorPopups = 0;
  for (auto _ : state) {
    RgbImage* image = decodeDibImage(file.data(), file.size());
    if (image == nullptr) {
      state.SkipWithError("the reader refused the bitmap");
      break;
    }
    benchmark::DoNotOptimize(image->pixels);
    releaseRgbImage(image);
  }
  setThroughput(state);
}

void decodeWithStb(benchmark::State& state, const Bytes& file) {
  for (auto _ : state) {
    int width, height, components;
    unsigned char* pixels =
        stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &components, 3);
    if (pixels == nullptr) {
      state.SkipWithError("stb_image refused the bitmap");
      break;
    }
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  setThroughput(state);
}

void BM_Reader24Bit(benchmark::State& state) {
  decodeWithReader(state, file24());
}
void BM_StbImage24Bit(benchmark::State& state) {
  decodeWithStb(state, file24());
}
void BM_Reader8Bit(benchmark::State& state) {
  decodeWithReader(state, file8());
}
void BM_StbImage8Bit(benchmark::State& state) {
  decodeWithStb(state, file8());
}

void BM_MemcpyFloor24Bit(benchmark::State& state) {
  const Bytes& file = file24();
  size_t size = size_t(kWidth) * 3 * kHeight;
  const unsigned char* bits = file.data() + file.size() - size;
  for (auto _ : state) {
    auto* block = static_cast<unsigned char*>(std::malloc(size));
    std::memcpy(block, bits, size);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
  setThroughput(state);
}

}  // namespace

BENCHMARK(BM_Reader24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFloor24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reader8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage8Bit)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
