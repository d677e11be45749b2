#ifndef FARLIGHT_TESTS_GL_DOUBLE_H
#define FARLIGHT_TESTS_GL_DOUBLE_H

// A recording stand-in for every GL, GLU and GLUT function the app library calls. Linked in place
// of the real libraries, it logs each call as one line: the name and its arguments, floats and
// doubles in hexadecimal so that equal lines mean equal bits.

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace gldouble {

// Each argument appended as text: floats and doubles in hexadecimal, tagged by type; integers alike
// whatever their width or sign, so GL_* macros compare with GLenum arguments.
inline void put(std::string& line, double v, const char* format) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, format, v);
  line.append(text, static_cast<size_t>(n));
}
inline void put(std::string& line, float v) {
  put(line, static_cast<double>(v), "f:%a");
}
inline void put(std::string& line, double v) {
  put(line, v, "d:%a");
}
inline void put(std::string& line, const char* v) {
  line += v;
}
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
void put(std::string& line, T v) {
  line += std::to_string(static_cast<long long>(v));
}

// One argument alone, as it shows in a line.
template <typename T>
std::string arg(T v) {
  std::string text;
  put(text, v);
  return text;
}

// One line of the log, built in place: a sphere at the largest segment count logs millions.
template <typename... Args>
std::string call(const char* name, Args... args) {
  std::string line;
  line.reserve(80);
  line += name;
  line += '(';
  [[maybe_unused]] const char* separator = "";
  ((line += separator, put(line, args), separator = ", "), ...);
  line += ')';
  return line;
}

struct State {
  std::vector<std::string> calls;
  // What glGetIntegerv(GL_VIEWPORT) reports.
  int viewport[4] = {0, 0, 1024, 768};
  // What glRenderMode(GL_RENDER) returns after selection, and the entries it writes first.
  int hits = 0;
  std::vector<unsigned> records;
  // The buffer handed to glSelectBuffer.
  unsigned* selectBuffer = nullptr;
  int selectSize = 0;
  // The idle callback last registered.
  void (*idle)() = nullptr;
  // The last name glGenTextures handed out; names count up from 1 like a fresh context's.
  unsigned lastTexture = 0;
  // The largest side the proxy texture accepts, and the size last asked of it.
  int maxTextureSize = 16384;
  int proxyWidth = 0;
  int proxyHeight = 0;
  // Off, glNormal3f, glTexCoord2f and glVertex3f are counted rather than logged: a sphere at the
  // largest segment count sends three million.
  bool logVertexCalls = true;
  long vertexCalls = 0;
  // The array set by glInterleavedArrays: its format and first float.
  unsigned arrayFormat = 0;
  const float* array = nullptr;
};

State& state();

// Clears the log and restores every setting above.
void reset();

// The calls logged so far, in order.
inline const std::vector<std::string>& calls() {
  return state().calls;
}

}  // namespace gldouble

#endif
