// Start-up cost on the real GL stack: the field's thirty picture loads and uploads, the reader's
// share of them, and the path from an empty scene to the first frame on screen, with the shipped
// pictures and with eleven that are far too large for a texture; and what a pick pass costs and
// keeps. Needs an X display and the eleven pictures in the working directory (tools/bench.sh runs
// it in build-bench/pictures under Xvfb).
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/field.h"
#include "app/picking.h"
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
      if (image != nullptr) std::free(image->pixels);
      std::free(image);
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

// A 60-byte RLE8 file of 16384 x 16384 pixels in one colour: the reader's largest picture.
void writeHugePicture(const std::string& path) {
  const unsigned char file[60] = {
      'B',  'M',  60,   0, 0, 0,    0, 0, 0, 0,    58, 0, 0, 0,        // file header, bits at 58
      40,   0,    0,    0, 0, 0x40, 0, 0, 0, 0x40, 0,  0, 1, 0, 8, 0,  // 16384 x 16384, 8 bits
      1,    0,    0,    0, 2, 0,    0, 0, 0, 0,    0,  0, 0, 0, 0, 0,  // RLE8, 2 bytes of bits
      1,    0,    0,    0, 0, 0,    0, 0,                              // one colour used
      0xCC, 0x66, 0x33, 0,                                             // the colour table
      0,    1};                                                        // end of picture
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file), sizeof file);
}

// The first frame with all eleven names a 16384 x 16384 picture, each averaged down to fit. Fresh
// files every run, so that no run reuses what an earlier one reduced.
void BM_FirstFrameElevenHugePictures(benchmark::State& state) {
  char home[4096] = {};
  if (getcwd(home, sizeof home) == nullptr) return;
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir =
        "/tmp/farlight-bench-huge-" + std::to_string(getpid()) + "-" + std::to_string(run++);
    std::system(("mkdir -p " + dir).c_str());
    for (const char* name : textureFiles) writeHugePicture(dir + "/" + name);
    if (chdir(dir.c_str()) != 0) return;
    state.ResumeTiming();
    std::srand(kSeed);
    initScene();
    onResize(1024, 768);
    drawFrame();
    glFinish();
    state.PauseTiming();
    releaseTextures();
    if (chdir(home) != 0) return;
    std::system(("rm -rf " + dir).c_str());
    state.ResumeTiming();
  }
  state.counters["peak_rss_MiB"] = peakRssMiB();
}

double residentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  }
  return 0;
}

// The pick pass as it was, every vertex sent between glBegin and glEnd in selection mode: the
// comparison row for what the GL keeps of it.
void pickVertexByVertex(int x, int y) {
  GLuint buffer[kBodyCount * 4] = {};
  GLint viewport[4] = {};
  glSelectBuffer(kBodyCount * 4, buffer);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glRenderMode(GL_SELECT);
  glLoadIdentity();
  gluPickMatrix(x, static_cast<double>(viewport[3]) - y, 2, 2, viewport);
  gluPerspective(kFieldOfView, aspectRatio, static_cast<float>(kNearPlane), kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  drawFrame();
  if (glRenderMode(GL_RENDER) > 0) hideHit(&buffer[0]);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

// One click on empty sky over the full field: its time, and how much the process grows per click.
template <void (*pick)(int, int)>
void BM_PickPass(benchmark::State& state) {
  std::srand(kSeed);
  populateField();
  onResize(1024, 768);
  const double before = residentMiB();
  for (auto _ : state) pick(2, 2);
  glFinish();
  state.counters["rss_growth_KiB_per_click"] =
      (residentMiB() - before) * 1024.0 / static_cast<double>(state.iterations());
  releaseTextures();
}

BENCHMARK(BM_FirstFrameElevenHugePictures)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(2);
BENCHMARK_TEMPLATE(BM_PickPass, pickAt)
    ->Name("BM_PickPass/from_client_arrays")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);
BENCHMARK_TEMPLATE(BM_PickPass, pickVertexByVertex)
    ->Name("BM_PickPass/vertex_by_vertex_comparison")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);
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
