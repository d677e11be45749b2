// Start-up cost on the real GL stack: the field's thirty picture loads and uploads, the reader's
// share of them, and the path from an empty scene to the first frame on screen. Needs an X display
// and the eleven pictures in the working directory (tools/bench.sh runs it in build-bench/pictures
// under Xvfb).
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/field.h"
#include "app/viewer.h"
#include "image/dib_reader.h"

namespace {

constexpr unsigned kSeed = 42;
double windowSeconds = 0;

double peakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Textures are never deleted by the game; here they are, so that repetitions do not pile them up.
void releaseTextures() {
  for (Body& body : bodies) {
    glDeleteTextures(1, &body.textureId);
    body.textureId = 0;
  }
  glFinish();
}

// Thirty loads and uploads, as initScene runs them. The very first run's growth of the peak
// resident size shows what start-up holds at once: GL's copies plus one picture in flight.
void BM_PopulateField(benchmark::State& state) {
  static const double before = peakRssMiB();
  static double growth = -1;
  for (auto _ : state) {
    std::srand(kSeed);
    populateField();
    glFinish();
    state.PauseTiming();
    if (growth < 0) growth = peakRssMiB() - before;
    releaseTextures();
    state.ResumeTiming();
  }
  state.counters["peak_rss_growth_MiB"] = growth;
}

// The reader's share: the same thirty files, decoded and released, without GL.
void BM_ReadFieldPictures(benchmark::State& state) {
  for (auto _ : state) {
    std::srand(kSeed);
    for (int i = 0; i < kBodyCount; ++i) {
      for (int skip = 0; skip < 5; ++skip) std::rand();
      RgbImage* image = loadDibImage(textureFiles[std::rand() % kTextureFileCount]);
      benchmark::DoNotOptimize(image);
      releaseRgbImage(image);
    }
  }
}

// From an empty scene to the first frame finished: initScene, the projection and one frame. The
// window's creation, measured once before the benchmarks, is reported beside it.
void BM_FirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    std::srand(kSeed);
    initScene();
    onResize(1024, 768);
    drawFrame();
    glFinish();
    state.PauseTiming();
    releaseTextures();
    state.ResumeTiming();
  }
  state.counters["window_creation_ms"] = windowSeconds * 1e3;
}

BENCHMARK(BM_PopulateField)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFieldPictures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "startup_bench needs an X display (tools/bench.sh starts Xvfb)\n");
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1024, 768);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Farlight : Solar System");
  glFinish();
  windowSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
