// Gives a body its surface picture: one GL texture per body, uploaded from a bitmap file.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "app/body.h"
#include "image/dib_reader.h"

namespace {

// The file is probed before the reader runs so that a missing picture stays silent: only a file
// that exists but cannot be read earns the reader's notice.
RgbImage* readPicture(const char* path) {
  FILE* probe = std::fopen(path, "r");
  if (probe == nullptr) return nullptr;
  std::fclose(probe);
  return loadDibImage(path);
}

// The reader packs rows without padding, so unpack with an alignment of 1; the client attribute
// stack puts back whatever alignment the rest of the program relies on.
void uploadPicture(const RgbImage& image) {
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image.pixels);
  glPopClientAttrib();
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
    releaseRgbImage(image);
  }
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  return true;
}
