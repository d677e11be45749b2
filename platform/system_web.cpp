// The rest of the game's contact with the browser: the "Error" box, the seeding clock, start-up
// and a lost WebGL context.
#include <GL/freeglut.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <chrono>

#include "platform/platform.h"
#include "platform/webgl/webgl.h"

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
// Where neither version can be made (WebGL switched off, a GPU the browser distrusts and no
// software renderer), the page says so and the game goes no further: its start-up waits for good,
// and no GL call is made on a context that is not there.
// clang-format off
EM_ASYNC_JS(void, chooseWebGLVersion, (), {
  await new Promise((resolve) => {
    requestAnimationFrame(() => setTimeout(resolve, 0));
    setTimeout(resolve, 1000);  // a hidden tab has no frames
  });
  const attributes = {alpha: false, antialias: false, depth: true, stencil: false};
  if (typeof WebGL2RenderingContext !== 'undefined' &&
      !Module.canvas.getContext('webgl2', attributes)) {
    WebGL2RenderingContext = undefined;
  }
  if (typeof WebGL2RenderingContext === 'undefined' &&
      !Module.canvas.getContext('webgl', attributes)) {
    if (Module.farlightFailed) Module.farlightFailed('webgl');
    await new Promise(() => {});
  }
});

// The page sizes the canvas (its drawing buffer at the screen's pixels) and tells the game each new
// size as GLUT tells a window's: the canvas takes it, the reshape callback runs, a frame follows.
EM_JS(void, offerReshape, (), {
  Module.farlightReshape = (width, height) => _glutReshapeWindow(width, height);
});

// The page offers a restart where pictures cannot be drawn again.
EM_JS(void, tellPageNotRestored, (), {
  if (Module.farlightFailed) Module.farlightFailed('restore');
});
// clang-format on

void (*restoredScene)() = nullptr;

// Prevented, the loss lets the browser give the context back.
EM_BOOL onContextLost(int, const void*, void*) {
  return EM_TRUE;
}

EM_BOOL onContextRestored(int, const void*, void*) {
  if (!webgl::rebuildRenderer()) tellPageNotRestored();
  if (restoredScene != nullptr) restoredScene();
  return EM_TRUE;
}

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

// A page has no standard error to lose and no signals: only the GL to choose. A context lost
// from here on, even while the pictures load, is let come back.
void preparePlatform() {
  offerReshape();
  emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_TRUE, onContextLost);
  emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_TRUE, onContextRestored);
  chooseWebGLVersion();
}

void whenGraphicsRestored(void (*showScene)()) {
  restoredScene = showScene;
}

// Stands in for emscripten's GLUT's own (a C function the program defines wins over the JavaScript
// library's), doing what it does, the first reshape and frame, without its last step: it throws to
// leave main, and after the start-up's waits that throw reaches the page as an uncaught error
// (Firefox reports it whatever the page does). Here main returns instead, and the browser's event
// loop goes on calling the game.
extern "C" void glutMainLoop() {
  int width = 0, height = 0;
  emscripten_get_canvas_element_size("#canvas", &width, &height);
  glutReshapeWindow(width, height);
  glutPostRedisplay();
}
