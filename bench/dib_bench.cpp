// Decoding a 4096 x 2048 bitmap, from memory and from a file on disk, beside stb_image on the same
// bytes and beside a plain copy of the pixel bytes, which is as fast as a decoder can move them.
// Compare rows of one run, on CPU time, with --benchmark_enable_random_interleaving=true.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/dib_reader.h"
#include "tests/support/bitmap_writer.h"

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

const Bytes& file24Bits() {
  static const Bytes bits = randomBytes(size_t(kWidth) * 3 * kHeight, 1);
  return bits;
}

const Bytes& file24() {
  static const Bytes file = buildBitmapWithBits(BitmapForm{}, kWidth, kHeight, file24Bits());
  return file;
}

// file24 written once to a file on disk (read back from the page cache).
const char* file24Path() {
  static const std::string path = [] {
    char name[] = "/tmp/dib_bench_XXXXXX";
    int fd = mkstemp(name);
    const Bytes& file = file24();
    bool written = fd >= 0 && write(fd, file.data(), file.size()) == ssize_t(file.size());
    if (fd >= 0) close(fd);
    return written ? std::string(name) : std::string();
  }();
  return path.c_str();
}

// 64 MiB of RLE8 runs of 255 pixels on the one row of a picture 16 pixels wide: the first run
// fills the row, every later one lies wholly past its right edge.
constexpr size_t kEdgeRunBytes = size_t(64) << 20;
const Bytes& fileOfRunsPastTheEdge() {
  static const Bytes file = [] {
    BitmapForm form;
    form.bitCount = 8;
    form.compression = 1;
    form.palette = {0x336699};
    Bytes stream(kEdgeRunBytes);
    for (size_t i = 0; i < stream.size(); i += 2) {
      stream[i] = 255;
      stream[i + 1] = 0;
    }
    return buildBitmapWithBits(form, 16, 1, stream);
  }();
  return file;
}

// The same picture stored top row first, which stb_image returns without turning it over.
const Bytes& file24TopDown() {
  static const Bytes file = [] {
    BitmapForm form;
    form.topDown = true;
    return buildBitmapWithBits(form, kWidth, kHeight, file24Bits());
  }();
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

// Keeps the image's pixels alive to the optimiser, then frees it; false if there was none.
bool consume(benchmark::State& state, RgbImage* image) {
  if (image == nullptr) {
    state.SkipWithError("the reader refused the bitmap");
    return false;
  }
  benchmark::DoNotOptimize(image->pixels);
  releaseRgbImage(image);
  return true;
}

void decodeWithReader(benchmark::State& state, const Bytes& file) {
  errorPopups = 0;
  for (auto _ : state) {
    if (!consume(state, decodeDibImage(file.data(), file.size()))) break;
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
  state.SetLabel("reader, from memory");
  decodeWithReader(state, file24());
}
void BM_StbImage24Bit(benchmark::State& state) {
  state.SetLabel("stb_image, from memory, turns the rows over");
  decodeWithStb(state, file24());
}
void BM_StbImage24BitTopDown(benchmark::State& state) {
  state.SetLabel("stb_image, from memory, top-down copy: no turning over");
  decodeWithStb(state, file24TopDown());
}

void BM_Reader24BitFromFile(benchmark::State& state) {
  state.SetLabel("reader, from a file on disk (page cache): open, read, decode");
  errorPopups = 0;
  const char* path = file24Path();
  for (auto _ : state) {
    if (!consume(state, loadDibImage(path))) break;
  }
  setThroughput(state);
}

void BM_ReaderRunsPastTheEdge(benchmark::State& state) {
  state.SetLabel("reader, 64 MiB of RLE8 runs past the right edge of a 16 x 1 picture");
  errorPopups = 0;
  const Bytes& file = fileOfRunsPastTheEdge();
  for (auto _ : state) {
    if (!consume(state, decodeDibImage(file.data(), file.size()))) break;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEdgeRunBytes));
}
void BM_Reader8Bit(benchmark::State& state) {
  state.SetLabel("reader, from memory");
  decodeWithReader(state, file8());
}
void BM_StbImage8Bit(benchmark::State& state) {
  state.SetLabel("stb_image, from memory");
  decodeWithStb(state, file8());
}

// The floor: one copy of the pixel bytes into a block allocated once and reused, so its pages are
// already mapped and warm in cache.
void BM_MemcpyFloor24Bit(benchmark::State& state) {
  state.SetLabel("memcpy of the pixel bytes into a reused block");
  const Bytes& bits = file24Bits();
  auto* block = static_cast<unsigned char*>(std::malloc(bits.size()));
  for (auto _ : state) {
    std::memcpy(block, bits.data(), bits.size());
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  std::free(block);
  setThroughput(state);
}

// The same copy into fresh pages each time, as the reader's own pixel block gets: mapped anew, so
// every page is faulted in and zeroed by the kernel first.
void BM_MemcpyFreshPages24Bit(benchmark::State& state) {
  state.SetLabel("memcpy of the pixel bytes into fresh pages");
  const Bytes& bits = file24Bits();
  for (auto _ : state) {
    void* block =
        mmap(nullptr, bits.size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
      state.SkipWithError("no memory for the block");
      break;
    }
    std::memcpy(block, bits.data(), bits.size());
    benchmark::DoNotOptimize(block);
    munmap(block, bits.size());
  }
  setThroughput(state);
}

}  // namespace

BENCHMARK(BM_Reader24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reader24BitFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage24BitTopDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFloor24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFreshPages24Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reader8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderRunsPastTheEdge)->Unit(benchmark::kMillisecond);

// The file on disk goes when the run ends.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (*file24Path() != '\0') std::remove(file24Path());
  return 0;
}
