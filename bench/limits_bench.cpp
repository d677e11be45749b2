// The game's limits on the real GL stack, in process: the first frame with eleven pictures far
// too large for a texture (each averaged down to fit), what a pick pass costs and keeps, from
// client arrays as the game sends it against vertex by vertex as it once did, and the layout a
// picture goes up in: three bytes a pixel as the reader gives them (the game's way), against four
// bytes a pixel converted by a loop of our own first, in orders a driver may keep without
// converting (comparison rows). Needs an X display (tools/bench.sh starts Xvfb).
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "image/dib_reader.h"
#include "image/pixel_rows.h"
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

// Each repetition of an upload row sends one start's worth of the shipped Earth into fresh
// textures, as the game does: converted to four bytes a pixel as the game converts it (into one
// block the row reuses), against the three bytes as read.
RgbImage* earth = nullptr;

template <bool asRead>
void BM_UploadPicture(benchmark::State& state) {
  if (earth == nullptr) {
    state.SkipWithError("no Earth.bmp");
    return;
  }
  const GLsizei width = earth->width, height = earth->height;
  const size_t count = size_t(width) * size_t(height);
  std::vector<unsigned char> rgba(asRead ? 0 : 4 * count);
  std::vector<GLuint> names;
  for (auto _ : state) {
    GLuint name = 0;
    glGenTextures(1, &name);
    names.push_back(name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (asRead) {
      glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, earth->pixels);
    } else {
      rgbToRgba(earth->pixels, rgba.data(), count);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                   rgba.data());
    }
    glPopClientAttrib();
    glFinish();
  }
  glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
  glFinish();
  state.SetLabel(asRead ? "the same picture as read, three bytes a pixel (comparison)"
                        : "one picture up as the game sends it, converted to four bytes a pixel");
}

BENCHMARK_TEMPLATE(BM_UploadPicture, false)
    ->Name("BM_UploadPicture/rgba_4_bytes")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kTextureFileCount);
BENCHMARK_TEMPLATE(BM_UploadPicture, true)
    ->Name("BM_UploadPicture/rgb_3_bytes_comparison")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kTextureFileCount);

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
  earth = loadDibImage((std::string(FARLIGHT_PICTURES_DIR) + "/Earth.bmp").c_str());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  releaseRgbImage(earth);
  return 0;
}
