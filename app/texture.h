#ifndef FARLIGHT_APP_TEXTURE_H
#define FARLIGHT_APP_TEXTURE_H

#include "app/field.h"
#include "platform/platform.h"

// The textures uploaded so far while one field is filled, each with the file it was read from.
// Bodies that draw the same unchanged file wear one texture, so each distinct picture is read and
// uploaded once: thirty bodies over eleven files cost eleven uploads rather than thirty, in time
// and in texture memory. Filled by Body::loadTexture; it holds names only, the GL holds the rest.
struct SharedTextures {
  struct Entry {
    FileIdentity file;
    unsigned texture = 0;
  };
  // One per picture name; a file that changes while the field fills makes the oldest give way.
  // Texture 0 marks an empty entry (the GL never hands out that name).
  Entry entries[kTextureFileCount];
  int next = 0;
};

#endif
