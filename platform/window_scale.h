#pragma once

// How large the game's window opens on a scaled screen, where the system scales each window itself
// (Windows). Pure arithmetic, so that it is tested on every system.

#include <algorithm>
#include <cmath>

struct PixelSize {
  int width = 0;
  int height = 0;
};

// The client size of a window asked for at `asked` pixels that opens on a screen of `dpi` dots per
// inch (96 unscaled), where its frame adds `frame` and the whole window has `room`: scaled by
// dpi / 96, so that it looks as large as on an unscaled screen, both sides alike; less where the
// framed window would not fit the room (a room no larger than the frame is unknown), but never
// less than asked. At 96 dpi or below, and on nonsense, exactly as asked.
inline PixelSize scaledClientSize(PixelSize asked, int dpi, PixelSize frame, PixelSize room) {
  if (asked.width < 1 || asked.height < 1) return asked;
  // Windows scales a screen by 500 % at most.
  double scale = std::min(dpi, 480) / 96.0;
  const double roomWidth = static_cast<double>(room.width) - frame.width;
  const double roomHeight = static_cast<double>(room.height) - frame.height;
  if (roomWidth > 0 && roomHeight > 0) {
    scale = std::min({scale, roomWidth / asked.width, roomHeight / asked.height});
  }
  // Rounded down, so that a window made to fit keeps its frame in the room.
  const double width = std::floor(asked.width * scale + 1e-9);
  const double height = std::floor(asked.height * scale + 1e-9);
  if (!(scale > 1) || width > 1 << 20 || height > 1 << 20) return asked;
  return {static_cast<int>(width), static_cast<int>(height)};
}
