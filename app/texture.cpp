// Gives a body its surface picture: a GL texture uploaded from a bitmap file, one per distinct
// file among the bodies that share a SharedTextures.
#include "app/texture.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>

#include "app/body.h"
#include "app/box_average.h"
#include "image/dib_failure.h"
#include "image/dib_reader.h"
#include "image/notice.h"
#include "image/pixel_rows.h"

namespace {

// Asks the proxy target, which allocates nothing, whether the GL takes a texture this size in the
// layout the pictures go up in.
bool glAccepts(int64_t width, int64_t height) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
               static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  GLint acceptedWidth = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &acceptedWidth);
  return acceptedWidth != 0;
}

// GL drivers keep a texture four bytes a pixel. Sent three, Mesa's software renderer converts
// them pixel by pixel; sent its own four, it copies them. So the pixels go up as opaque red, green,
// blue, alpha, converted here with byte shuffles: an upload then takes a third of the time
// (bench/limits_bench.cpp). A picture is at most kMaxTexturePixels by now, so the copy is at most
// 32 MiB. Alpha is opaque and blending off: no pixel on screen changes. False when there is no
// memory for the copy.
bool sendPixels(int32_t width, int32_t height, const unsigned char* pixels) {
  const size_t count = size_t(width) * size_t(height);
  OwnedBytes rgba(static_cast<unsigned char*>(std::malloc(4 * count)));
  if (rgba == nullptr) return false;
  rgbToRgba(pixels, rgba.get(), count);
  // Unpacked at an alignment of 1, so that no alignment the rest of the program relies on can pad
  // the rows; the client attribute stack puts it back.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.get());
  glPopClientAttrib();
  return true;
}

// A picture that fits goes up as read; a larger one is averaged down until it fits. No memory for
// the smaller picture or for the upload's copy is told as such. True when the bound texture got
// an image.
bool uploadPicture(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return false;
  Halvings halvings;
  if (!halvingsToFit(image.width, image.height, glAccepts, &halvings)) return false;
  if (halvings.x == 0 && halvings.y == 0) {
    if (sendPixels(image.width, image.height, image.pixels)) return true;
  } else {
    const RgbPicture smaller = averageDown(image, halvings.x, halvings.y);
    if (smaller.pixels != nullptr &&
        sendPixels(smaller.width, smaller.height, smaller.pixels.get())) {
      return true;
    }
  }
  showNotice(dibFailureText(DibFailure::noMemoryForImage).c_str());
  return false;
}

// The texture an earlier body got from this very file, or 0.
unsigned sharedTexture(const SharedTextures& shared, const FileIdentity& file) {
  for (const SharedTextures::Entry& entry : shared.entries) {
    if (entry.texture != 0 && entry.file == file) return entry.texture;
  }
  return 0;
}

void share(SharedTextures* shared, const FileIdentity& file, unsigned texture) {
  shared->entries[shared->next] = {file, texture};
  shared->next = (shared->next + 1) % kTextureFileCount;
}

}  // namespace

bool Body::loadTexture(const char* path, SharedTextures* shared) {
  if (path == nullptr) return false;
  // The file is probed before the reader runs so that a missing picture stays silent: only a file
  // that exists but cannot be read earns the reader's notice.
  FileIdentity file;
  const bool present = probeFile(path, &file);
  const unsigned earlier = present && shared != nullptr ? sharedTexture(*shared, file) : 0;
  if (earlier != 0) {
    textureId = earlier;
  } else {
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Only a picture that went up is shared: a file the reader refuses is read again for the
    // next body that draws it, which so gets its own notice.
    RgbImage* image = present ? loadDibImage(path) : nullptr;
    if (image != nullptr && uploadPicture(*image) && shared != nullptr) {
      share(shared, file, textureId);
    }
    releaseRgbImage(image);
  }
  // Switched on at every load, even one that uploaded nothing: texturing is on from the first
  // body's load, and a body without a picture draws plain white through its empty texture.
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  return true;
}
