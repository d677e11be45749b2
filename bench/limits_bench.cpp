// The game's limits on the real GL stack, in process: the first frame with eleven pictures far
// too large for a texture (each averaged down to fit), and what a pick pass costs and keeps, from
// client arrays as the game sends it against vertex by vertex as it once did. Needs an X display
// (tools/bench.sh starts Xvfb).
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/proc_reader.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr unsigned kSeed = 42;

double peakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double residentMiB() {
  return static_cast<double>(statusKiB(getpid(), "VmRSS")) / 1024.0;
}

// Textures are never deleted by the game; here they are, so that repetitions do not pile them up
// (a name that bodies share goes more than once, which the GL ignores).
void releaseTextures() {
  for (Body& body : bodies) {
    glDeleteTextures(1, &body.textureId);
    body.textureId = 0;
  }
  glFinish();
}

// The first frame with all eleven names a 16384 x 16384 picture, each read and averaged down once
// for the bodies that draw it.
void BM_FirstFrameElevenHugePictures(benchmark::State& state) {
  char home[4096] = {};
  if (getcwd(home, sizeof home) == nullptr) return;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir = freshFolder("bench-huge");
    for (const char* name : textureFiles)
      writeFile(dir + "/" + name, plainRleBitmap(16384, 16384, 0x3366CC));
    if (chdir(dir.c_str()) != 0) break;
    state.ResumeTiming();
    std::srand(kSeed);
    initScene();
    onResize(1024, 768);
    drawFrame();
    glFinish();
    state.PauseTiming();
    releaseTextures();
    if (chdir(home) != 0) break;
    removeFolder(dir);
    state.ResumeTiming();
  }
  state.counters["peak_rss_MiB"] = peakRssMiB();
  state.SetLabel(
      "first frame, eleven 16384 x 16384 pictures (peak: this whole process, both runs)");
}

// One click on empty sky over the full field: its time, and how much the process grows per click.
template <VertexPath path>
void BM_PickPass(benchmark::State& state) {
  std::srand(kSeed);
  populateField();
  onResize(1024, 768);
  const double before = residentMiB();
  for (auto _ : state) pickAt(2, 2, path);
  glFinish();
  state.counters["rss_growth_KiB_per_click"] =
      (residentMiB() - before) * 1024.0 / static_cast<double>(state.iterations());
  state.SetLabel(path == VertexPath::clientArrays
                     ? "a click's pick pass, from client arrays"
                     : "the same pick pass vertex by vertex, as it once was (comparison)");
  releaseTextures();
}

BENCHMARK(BM_FirstFrameElevenHugePictures)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(2);
BENCHMARK_TEMPLATE(BM_PickPass, VertexPath::clientArrays)
    ->Name("BM_PickPass/from_client_arrays")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);
BENCHMARK_TEMPLATE(BM_PickPass, VertexPath::immediate)
    ->Name("BM_PickPass/vertex_by_vertex_comparison")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "limits_bench needs an X display (tools/bench.sh starts Xvfb)\n");
    return 1;
  }
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1024, 768);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Farlight : Solar System");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
