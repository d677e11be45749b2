// The rest of the game's contact with the browser: the "Error" box, the seeding clock, start-up.
#include <emscripten.h>

#include <chrono>

#include "platform/platform.h"

namespace {

// alert() is modal and returns once the player has pressed OK; its text is the notice's own.
EM_JS(void, browserAlert, (const char* text), { alert(UTF8ToString(text)); });

// Emscripten's GLUT asks for WebGL 2 whenever the browser defines WebGL2RenderingContext, and gets
// no context at all where the browser defines it but will not make one (a graphics driver on its
// block list, WebGL 2 switched off). There the game asks for WebGL 1, which its GL library also
// draws with. The question is put to the game's own canvas with the attributes GLUT asks for (no
// alpha, no antialiasing, a depth buffer, no stencil), so that GLUT's request finds that context
// made: a context on a canvas of its own would cost a second one. It is asked here, after the
// field has sent for its pictures, because making the first context takes a CPU renderer a
// third of a second that the pictures' transfer can use; and after the page has painted once
// (the load it shows), since the page's thread paints nothing while the context is made.
// clang-format off
EM_ASYNC_JS(void, chooseWebGLVersion, (), {
  await new Promise((resolve) => {
    requestAnimationFrame(() => setTimeout(resolve, 0));
    setTimeout(resolve, 1000);  // a hidden tab has no frames
  });
  if (typeof WebGL2RenderingContext !== 'undefined' &&
      !Module.canvas.getContext('webgl2',
                                {alpha: false, antialias: false, depth: true, stencil: false})) {
    WebGL2RenderingContext = undefined;
  }
});
// clang-format on

}  // namespace

void showErrorBox(const char* text) {
  browserAlert(text);
}

// The wall clock: a page's monotonic clock starts near zero at every load, which would give a few
// fields over and over.
unsigned millisecondClock() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// A page has no standard error to lose and no signals: only the GL to choose.
void preparePlatform() {
  chooseWebGLVersion();
}
