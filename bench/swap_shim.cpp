// Preloaded into the shipped game by startup_bench: at each completed swap it writes the swap's
// number, the monotonic clock and the process's CPU clock (both in ns) on the descriptor named by
// FARLIGHT_BENCH_FD, and ends the game after FARLIGHT_BENCH_FRAMES swaps (1 when unset).
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long clockNs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

int envNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::atoi(text) : fallback;
}

}  // namespace

extern "C" void glutSwapBuffers() {
  using Swap = void (*)();
  static const auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glutSwapBuffers"));
  static const int fd = envNumber("FARLIGHT_BENCH_FD", -1);
  static const int last = envNumber("FARLIGHT_BENCH_FRAMES", 1);
  static int swaps = 0;
  if (real != nullptr) real();
  ++swaps;
  if (fd >= 0) {
    dprintf(fd, "%d %lld %lld\n", swaps, clockNs(CLOCK_MONOTONIC),
            clockNs(CLOCK_PROCESS_CPUTIME_ID));
  }
  if (swaps >= last) _exit(0);
}
