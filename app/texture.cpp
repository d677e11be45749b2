// Gives a body its surface picture: one GL texture per body, uploaded from a bitmap file.
#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>

#include "app/body.h"
#include "app/box_average.h"
#include "app/field.h"
#include "image/dib_failure.h"
#include "image/dib_reader.h"
#include "image/notice.h"
#include "platform/platform.h"

namespace {

// Reading and averaging down a picture too large for a texture takes seconds, and thirty bodies
// draw from eleven files. So each such file's reduced texture is remembered, and a body that draws
// the same unchanged file copies it within the GL instead of reading the file again. Pictures
// that fit are read for every body, as ever. The game never deletes a texture, so a remembered
// name keeps its picture (the copy still checks its size).
struct ReducedTextures {
  struct Entry {
    FileIdentity file;
    GLuint texture;
    GLint width, height;
  };
  Entry entries[kTextureFileCount] = {};
  int count = 0;

  // As many entries as there are picture names, the oldest making way.
  void remember(const FileIdentity& file, GLuint texture, GLint width, GLint height) {
    entries[count++ % kTextureFileCount] = {file, texture, width, height};
  }

  const Entry* find(const FileIdentity& file) const {
    for (int i = 0; i < count && i < kTextureFileCount; ++i) {
      if (entries[i].file == file) return &entries[i];
    }
    return nullptr;
  }
};

ReducedTextures reduced;

// Asks the proxy target, which allocates nothing, whether the GL takes an RGB texture this size.
bool glAccepts(int64_t width, int64_t height) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
               0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  GLint acceptedWidth = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &acceptedWidth);
  return acceptedWidth != 0;
}

// The reader packs rows without padding, so unpack with an alignment of 1; the client attribute
// stack puts back whatever alignment the rest of the program relies on.
void sendPixels(GLsizei width, GLsizei height, const unsigned char* pixels) {
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  glPopClientAttrib();
}

// A picture that fits goes up byte for byte as read; a larger one is averaged down until it fits
// and, when it went up, is remembered for the bodies that draw the same file after this one.
void uploadPicture(const RgbImage& image, const FileIdentity& file, GLuint texture) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return;
  Halvings halvings;
  if (!halvingsToFit(image.width, image.height, glAccepts, &halvings)) return;
  if (halvings.x == 0 && halvings.y == 0) {
    sendPixels(image.width, image.height, image.pixels);
    return;
  }
  const RgbPicture smaller = averageDown(image, halvings.x, halvings.y);
  if (smaller.pixels == nullptr) {
    showNotice(dibFailureText(DibFailure::noMemoryForImage).c_str());
    return;
  }
  sendPixels(smaller.width, smaller.height, smaller.pixels.get());
  reduced.remember(file, texture, smaller.width, smaller.height);
}

// Copies the remembered texture of an earlier body that drew `file` into the bound `texture`.
// False, with the binding unchanged, if there is none or it no longer holds that picture.
bool copyReduced(const FileIdentity& file, GLuint texture) {
  const ReducedTextures::Entry* earlier = reduced.find(file);
  if (earlier == nullptr || earlier->texture == texture) return false;
  glBindTexture(GL_TEXTURE_2D, earlier->texture);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  // At most kMaxTexturePixels, as it was uploaded; malloc may still fail.
  OwnedBytes pixels;
  if (width == earlier->width && height == earlier->height) {
    pixels.reset(static_cast<unsigned char*>(std::malloc(size_t(width) * size_t(height) * 3)));
  }
  if (pixels != nullptr) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.get());
    glPopClientAttrib();
  }
  glBindTexture(GL_TEXTURE_2D, texture);
  if (pixels == nullptr) return false;
  sendPixels(width, height, pixels.get());
  return true;
}

}  // namespace

bool Body::loadTexture(const char* path) {
  if (path == nullptr) return false;
  // The file is probed before the reader runs so that a missing picture stays silent: only a file
  // that exists but cannot be read earns the reader's notice.
  FileIdentity file;
  const bool present = probeFile(path, &file);

  glGenTextures(1, &textureId);
  glBindTexture(GL_TEXTURE_2D, textureId);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  if (present && !copyReduced(file, textureId)) {
    RgbImage* image = loadDibImage(path);
    if (image != nullptr) {
      uploadPicture(*image, file, textureId);
      releaseRgbImage(image);
    }
  }
  // Switched on at every load, even one that uploaded nothing: texturing is on from the first
  // body's load, and a body without a picture draws plain white through its empty texture.
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  return true;
}
