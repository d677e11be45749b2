// Emscripten's GLUT asks for WebGL 2 whenever the browser defines WebGL2RenderingContext, and gets
// no context at all where the browser defines it but will not make one (a graphics driver on its
// block list, WebGL 2 switched off). There the game asks for WebGL 1, which the library also
// draws with (pictures whose sides are not powers of two resampled to ones that are).
// The question is put to the game's own canvas with the attributes GLUT asks for (no alpha, no
// antialiasing, a depth buffer, no stencil), so that GLUT's request finds that context made: a
// context on a canvas of its own would cost a second one, a tenth of a second on a CPU renderer.
if (typeof WebGL2RenderingContext !== 'undefined' && typeof document !== 'undefined' &&
    !(Module.canvas || document.createElement('canvas'))
         .getContext('webgl2', {alpha: false, antialias: false, depth: true, stencil: false})) {
  WebGL2RenderingContext = undefined;
}
