#pragma once

// Where no box can be shown, a notice becomes one line on standard error, on every system alike.

#include <cstdio>
#include <cstring>

// "Error: <text>", with a line feed added when the text does not end in one.
inline void writeErrorLine(const char* text) {
  const size_t length = std::strlen(text);
  const bool endsLine = length > 0 && text[length - 1] == '\n';
  std::fprintf(stderr, "Error: %s%s", text, endsLine ? "" : "\n");
}
