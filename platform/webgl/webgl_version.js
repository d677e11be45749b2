// Emscripten's GLUT asks for WebGL 2 whenever the browser defines WebGL2RenderingContext, and gets
// no context at all where the browser defines it but will not make one (a graphics driver on its
// block list, WebGL 2 switched off). There the game asks for WebGL 1, which the library also
// draws with (pictures whose sides are not powers of two resampled to ones that are).
if (typeof WebGL2RenderingContext !== 'undefined' && typeof document !== 'undefined' &&
    !document.createElement('canvas').getContext('webgl2')) {
  WebGL2RenderingContext = undefined;
}
