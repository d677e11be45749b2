// Gives a body its surface picture: one GL texture per body, uploaded from a bitmap file.
#include <GL/gl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/body.h"
#include "app/box_average.h"
#include "image/dib_reader.h"
#include "image/notice.h"

namespace {

// 4096 x 2048: a picture beyond this many pixels is averaged down before it becomes a texture, so
// that even thirty bodies wearing the largest pictures the reader takes hold at most 32 MiB of
// texture memory each, and none waits on a gigabyte-sized upload.
constexpr int64_t kMaxTexturePixels = int64_t(4096) * 2048;

// The file is probed before the reader runs so that a missing picture stays silent: only a file
// that exists but cannot be read earns the reader's notice. The probe opens nothing, because
// opening a FIFO waits for a writer; the reader's own open refuses such files with its notice.
RgbImage* readPicture(const char* path) {
  if (access(path, R_OK) != 0) return nullptr;
  return loadDibImage(path);
}

// Asks the proxy target, which allocates nothing, whether the GL takes an RGB texture this size.
bool glAccepts(int64_t width, int64_t height) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
               0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  GLint acceptedWidth = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &acceptedWidth);
  return acceptedWidth != 0;
}

bool fits(int64_t width, int64_t height) {
  return width * height <= kMaxTexturePixels && glAccepts(width, height);
}

// How often each side has to be halved (rounding up) before the picture fits: the longer side each
// time, both when they are equal. False if not even a single pixel would fit.
bool halvingsToFit(const RgbImage& image, int* xShift, int* yShift) {
  int64_t width = image.width, height = image.height;
  while (!fits(width, height)) {
    if (width == 1 && height == 1) return false;
    const bool halveWidth = width >= height, halveHeight = height >= width;
    if (halveWidth) {
      width = (width + 1) / 2;
      ++*xShift;
    }
    if (halveHeight) {
      height = (height + 1) / 2;
      ++*yShift;
    }
  }
  return true;
}

// The reader packs rows without padding, so unpack with an alignment of 1; the client attribute
// stack puts back whatever alignment the rest of the program relies on.
void sendPixels(const RgbImage& image) {
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image.pixels);
  glPopClientAttrib();
}

// A picture that fits goes up byte for byte as read; a larger one is averaged down until it fits.
void uploadPicture(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return;
  int xShift = 0, yShift = 0;
  if (!halvingsToFit(image, &xShift, &yShift)) return;
  if (xShift == 0 && yShift == 0) {
    sendPixels(image);
    return;
  }
  RgbImage smaller{};
  if (!averageDown(image, xShift, yShift, &smaller)) {
    showNotice("Out of memory.");
    return;
  }
  sendPixels(smaller);
  std::free(smaller.pixels);
}

void releasePicture(RgbImage* image) {
  std::free(image->pixels);
  std::free(image);
}

}  // namespace

bool Body::loadTexture(const char* path) {
  if (path == nullptr) return false;
  RgbImage* image = readPicture(path);

  glGenTextures(1, &textureId);
  glBindTexture(GL_TEXTURE_2D, textureId);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  if (image != nullptr) {
    uploadPicture(*image);
    releasePicture(image);
  }
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  return true;
}
