// The layout a picture goes up to the GL in, on the real GL stack in process: three bytes a pixel
// as the reader gives them (the game's way), against four bytes a pixel converted by a loop of our
// own first, in the orders a driver may keep without converting (comparison rows). Each
// repetition uploads one start's worth of the shipped Earth into fresh textures, as the game
// does; the four-byte rows reuse one block for their conversions. Needs an X display.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/field.h"
#include "image/dib_reader.h"

namespace {

RgbImage* earth = nullptr;

enum class Layout { rgb, bgra, rgba };

// One 32-bit word a pixel, alpha opaque: with GL_UNSIGNED_INT_8_8_8_8_REV, BGRA on any byte order.
void toBgraWords(const unsigned char* rgb, size_t count, uint32_t* out) {
  for (size_t i = 0; i < count; ++i, rgb += 3) {
    out[i] = 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
  }
}

void toRgbaBytes(const unsigned char* rgb, size_t count, unsigned char* out) {
  for (size_t i = 0; i < count; ++i, rgb += 3, out += 4) {
    out[0] = rgb[0];
    out[1] = rgb[1];
    out[2] = rgb[2];
    out[3] = 255;
  }
}

template <Layout layout>
void BM_UploadPicture(benchmark::State& state) {
  if (earth == nullptr) {
    state.SkipWithError("no Earth.bmp");
    return;
  }
  const GLsizei width = earth->width, height = earth->height;
  const size_t count = size_t(width) * size_t(height);
  std::vector<uint32_t> words(layout == Layout::rgb ? 0 : count);
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
    if (layout == Layout::rgb) {
      glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, earth->pixels);
    } else if (layout == Layout::bgra) {
      toBgraWords(earth->pixels, count, words.data());
      glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                   words.data());
    } else {
      toRgbaBytes(earth->pixels, count, reinterpret_cast<unsigned char*>(words.data()));
      glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, words.data());
    }
    glPopClientAttrib();
    glFinish();
  }
  glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
  glFinish();
  state.SetLabel(layout == Layout::rgb    ? "one picture up as GL_RGB, 3 bytes a pixel, as read"
                 : layout == Layout::bgra ? "converted to GL_BGRA words first (comparison)"
                                          : "converted to GL_RGBA bytes first (comparison)");
}

BENCHMARK_TEMPLATE(BM_UploadPicture, Layout::rgb)
    ->Name("BM_UploadPicture/rgb_3_bytes")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kTextureFileCount);
BENCHMARK_TEMPLATE(BM_UploadPicture, Layout::bgra)
    ->Name("BM_UploadPicture/bgra_4_bytes_comparison")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kTextureFileCount);
BENCHMARK_TEMPLATE(BM_UploadPicture, Layout::rgba)
    ->Name("BM_UploadPicture/rgba_4_bytes_comparison")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kTextureFileCount);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "texture_bench needs an X display (tools/bench.sh starts Xvfb)\n");
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
