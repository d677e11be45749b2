// Gives a body its surface picture: one GL texture per body, uploaded from a bitmap file.
#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "app/body.h"
#include "app/box_average.h"
#include "app/field.h"
#include "image/dib_reader.h"
#include "image/notice.h"

namespace {

// 4096 x 2048: a picture beyond this many pixels is averaged down before it becomes a texture, so
// that even thirty bodies wearing the largest pictures the reader takes hold at most 32 MiB of
// texture memory each, and none waits on a gigabyte-sized upload.
constexpr int64_t kMaxTexturePixels = int64_t(4096) * 2048;

// Which file a path names, and in which state: device, inode, size and modification time.
struct FileIdentity {
  dev_t device;
  ino_t inode;
  off_t size;
  timespec modified;
};

// The file is probed before the reader runs so that a missing picture stays silent: only a file
// that exists but cannot be read earns the reader's notice. The probe opens nothing, because
// opening a FIFO waits for a writer; the reader's own open refuses such files with its notice.
bool probe(const char* path, FileIdentity* file) {
  struct stat info {};
  if (access(path, R_OK) != 0 || stat(path, &info) != 0) return false;
  *file = {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
  return true;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

// Reading and averaging down a picture too large for a texture takes seconds, and thirty bodies
// draw from eleven files. So each such file's reduced texture is remembered, and a body that draws
// the same unchanged file copies it within the GL instead of reading the file again. Pictures
// that fit are read for every body, as ever. The game never deletes a texture, so a remembered
// name keeps its picture (the copy still checks its size).
struct Reduced {
  FileIdentity file;
  GLuint texture;
  GLint width, height;
};
Reduced reduced[kTextureFileCount];
int reducedCount = 0;

void remember(const FileIdentity& file, GLuint texture, GLint width, GLint height) {
  reduced[reducedCount++ % kTextureFileCount] = {file, texture, width, height};
}

const Reduced* findReduced(const FileIdentity& file) {
  for (int i = 0; i < reducedCount && i < kTextureFileCount; ++i) {
    if (sameFile(reduced[i].file, file)) return &reduced[i];
  }
  return nullptr;
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

// A picture that fits goes up byte for byte as read; a larger one is averaged down until it fits
// and, when it went up, is remembered for the bodies that draw the same file after this one.
void uploadPicture(const RgbImage& image, const FileIdentity& file, GLuint texture) {
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
  remember(file, texture, smaller.width, smaller.height);
  std::free(smaller.pixels);
}

// Copies the remembered texture of an earlier body that drew `file` into the bound `texture`.
// False, with the binding unchanged, if there is none or it no longer holds that picture.
bool copyReduced(const FileIdentity& file, GLuint texture) {
  const Reduced* earlier = findReduced(file);
  if (earlier == nullptr || earlier->texture == texture) return false;
  glBindTexture(GL_TEXTURE_2D, earlier->texture);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  // At most kMaxTexturePixels, as it was uploaded; malloc may still fail.
  unsigned char* pixels = nullptr;
  if (width == earlier->width && height == earlier->height) {
    pixels = static_cast<unsigned char*>(std::malloc(size_t(width) * size_t(height) * 3));
  }
  if (pixels != nullptr) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glPopClientAttrib();
  }
  glBindTexture(GL_TEXTURE_2D, texture);
  if (pixels == nullptr) return false;
  sendPixels(RgbImage{width, height, pixels});
  std::free(pixels);
  return true;
}

}  // namespace

bool Body::loadTexture(const char* path) {
  if (path == nullptr) return false;
  FileIdentity file{};
  const bool present = probe(path, &file);

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
