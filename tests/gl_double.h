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

inline std::string arg(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "f:%a", static_cast<double>(v));
  return text;
}

inline std::string arg(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "d:%a", v);
  return text;
}

inline std::string arg(const char* v) {
  return v;
}

// Integers print alike whatever their width or sign, so GL_* macros compare with GLenum arguments.
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
std::string arg(T v) {
  return std::to_string(static_cast<long long>(v));
}

template <typename... Args>
std::string call(const char* name, Args... args) {
  std::string line = name;
  line += '(';
  std::string separator;
  ((line += separator, line += arg(args), separator = ", "), ...);
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
