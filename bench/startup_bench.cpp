// The shipped game as a player starts it: from exec to its first completed swap, with the eleven
// pictures and without them, beside the floor of the stack (a bare window of the same size and
// mode that clears and swaps), and the cost of the frames that follow while the field is in view
// (the game's CPU time, and the X server's when tools/bench.sh names its process). A preloaded
// shim (swap_shim.cpp) reports each swap on a pipe and ends the program. Beside them, the reader's
// share of start-up: the picture files the field draws, decoded in process, once for each body
// that draws one against once for each file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/field.h"
#include "image/dib_reader.h"
#include "tests/support/field_draws.h"
#include "tests/support/proc_reader.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr unsigned kSeed = 42;
// The slowest body moves 1 unit a frame from 30 units away: by this frame the whole field has
// reached the viewer.
constexpr int kFramesInView = 30;

struct Swap {
  long long wallNs = -1, cpuNs = -1;
};

struct Run {
  Swap exec, first, last;
  double serverFirst = -1, serverLast = -1;  // the X server's CPU seconds at those swaps
  rusage usage{};
  bool ok = false;
};

long long clockNs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// CPU seconds run so far by the process FARLIGHT_XSERVER_PID; -1 when not named or gone.
double serverCpuSeconds() {
  const char* pid = std::getenv("FARLIGHT_XSERVER_PID");
  return pid == nullptr ? -1 : schedulerCpuSeconds(static_cast<pid_t>(std::atol(pid)));
}

// Mesa keeps the shaders that llvmpipe compiles in a cache on disk, and a start that finds them
// there skips some 100 ms of compiling. So the cache is the benchmark's own, never the user's
// (which may be full, empty, unwritable or switched off): its state is part of what a row measures.
[[noreturn]] void execGame(const char* program, const std::string& folder, int frames, int fd,
                           const std::string& shaderCache) {
  if (chdir(folder.c_str()) != 0) _exit(127);
  setenv("MESA_SHADER_CACHE_DIR", shaderCache.c_str(), 1);
  unsetenv("MESA_SHADER_CACHE_DISABLE");
  setenv("LD_PRELOAD", FARLIGHT_SWAP_SHIM, 1);
  setenv("FARLIGHT_BENCH_FD", std::to_string(fd).c_str(), 1);
  setenv("FARLIGHT_BENCH_FRAMES", std::to_string(frames).c_str(), 1);
  dprintf(fd, "0 %lld %lld\n", clockNs(CLOCK_MONOTONIC), 0LL);
  execl(program, program, static_cast<char*>(nullptr));
  _exit(127);
}

// Starts `program` (the game unless named) in `folder` with `shaderCache` and lets it run `frames`
// swaps. The pipe's lines are read as they come, so the X server's clock is read at the first
// swap, not when the game has gone.
Run runGame(const std::string& folder, int frames, const std::string& shaderCache,
            const char* program = FARLIGHT_BINARY) {
  Run run;
  int fds[2];
  if (pipe(fds) != 0) return run;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    execGame(program, folder, frames, fds[1], shaderCache);
  }
  close(fds[1]);
  FILE* lines = fdopen(fds[0], "r");
  int swap = 0;
  Swap at;
  while (lines != nullptr &&
         std::fscanf(lines, "%d %lld %lld", &swap, &at.wallNs, &at.cpuNs) == 3) {
    if (swap == 0) run.exec = at;
    if (swap == 1) {
      run.first = at;
      run.serverFirst = serverCpuSeconds();
    }
    if (swap == frames) {
      run.last = at;
      run.serverLast = serverCpuSeconds();
    }
  }
  if (lines != nullptr) std::fclose(lines);
  int status = 0;
  if (pid < 0 || wait4(pid, &status, 0, &run.usage) != pid) return run;
  run.ok =
      WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.exec.wallNs >= 0 && run.last.wallNs >= 0;
  return run;
}

double cpuSeconds(const rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// A fresh shader cache holding what `program` compiles in `folder`: filled by an untimed run long
// enough for Mesa to write it out before the program ends.
std::string warmShaderCache(const std::string& folder, const char* program = FARLIGHT_BINARY) {
  const std::string cache = freshFolder("bench-shaders");
  runGame(folder, 1 + kFramesInView, cache, program);
  return cache;
}

// Starts `program` in `folder` once per iteration and times it from exec to its first completed
// swap by its own clock, with `cache` as Mesa's shader cache (a fresh, empty one for every start
// when none is given); its CPU time and peak resident size come beside it.
void timeStarts(benchmark::State& state, const std::string& folder, const std::string& cache,
                const char* program) {
  double cpu = 0, peakKiB = 0;
  for (auto _ : state) {
    const std::string used = cache.empty() ? freshFolder("bench-shaders") : cache;
    const Run run = runGame(folder, 1, used, program);
    if (cache.empty()) removeFolder(used);
    if (!run.ok) {
      state.SkipWithError("the program did not reach its first swap");
      break;
    }
    state.SetIterationTime((run.first.wallNs - run.exec.wallNs) * 1e-9);
    cpu += cpuSeconds(run.usage);
    peakKiB = std::max(peakKiB, static_cast<double>(run.usage.ru_maxrss));
  }
  state.counters["game_cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["peak_rss_MiB"] = peakKiB / 1024;
}

// Exec to the first completed swap, in the pictures' folder (pictures:1) or an empty one
// (pictures:0, every sphere plain white), with the shaders of an earlier start in Mesa's cache
// (warm_cache:1, every start but a player's first) or an empty cache (warm_cache:0).
void BM_GameToFirstSwap(benchmark::State& state) {
  const bool pictures = state.range(0) != 0;
  const bool warm = state.range(1) != 0;
  const std::string folder = pictures ? FARLIGHT_PICTURES_DIR : freshFolder("bench-empty");
  const std::string cache = warm ? warmShaderCache(folder) : "";
  timeStarts(state, folder, cache, FARLIGHT_BINARY);
  state.SetLabel(std::string("exec to first swap, ") + (pictures ? "11 pictures" : "no pictures") +
                 (warm ? "" : ", first start (no compiled shaders)"));
  if (warm) removeFolder(cache);
  if (!pictures) removeFolder(folder);
}

// The floor: a bare freeglut window of the game's size and mode, from exec to its first swap of a
// cleared frame, with its own shaders in a warm cache.
void BM_BareWindowToFirstSwap(benchmark::State& state) {
  const std::string folder = freshFolder("bench-bare");
  const std::string cache = warmShaderCache(folder, FARLIGHT_BARE_WINDOW);
  timeStarts(state, folder, cache, FARLIGHT_BARE_WINDOW);
  state.SetLabel("exec to first swap, a bare window that clears and swaps (the floor)");
  removeFolder(cache);
  removeFolder(folder);
}

// The same start of another build of the game, named by FARLIGHT_BASELINE (tools/bench.sh builds
// the last released commit there), so that a change to start-up is weighed in the same run.
void BM_BaselineToFirstSwap(benchmark::State& state, const char* baseline) {
  const std::string cache = warmShaderCache(FARLIGHT_PICTURES_DIR, baseline);
  timeStarts(state, FARLIGHT_PICTURES_DIR, cache, baseline);
  state.SetLabel("exec to first swap, 11 pictures, the baseline build (comparison)");
  removeFolder(cache);
}

// The frames after the first while the field is in view: wall time per frame, the game's CPU
// time per frame (Farlight and Mesa) and the X server's (putting each frame on its screen).
void BM_GameFrame(benchmark::State& state) {
  const std::string cache = warmShaderCache(FARLIGHT_PICTURES_DIR);
  double gameCpu = 0, serverCpu = 0;
  for (auto _ : state) {
    const Run run = runGame(FARLIGHT_PICTURES_DIR, 1 + kFramesInView, cache);
    if (!run.ok) {
      state.SkipWithError("the game did not draw its frames");
      break;
    }
    state.SetIterationTime((run.last.wallNs - run.first.wallNs) * 1e-9 / kFramesInView);
    gameCpu += (run.last.cpuNs - run.first.cpuNs) * 1e-9 / kFramesInView;
    if (run.serverFirst >= 0 && run.serverLast >= 0) {
      serverCpu += (run.serverLast - run.serverFirst) / kFramesInView;
    }
  }
  using benchmark::Counter;
  state.counters["game_cpu_us_per_frame"] = Counter(gameCpu * 1e6, Counter::kAvgIterations);
  if (std::getenv("FARLIGHT_XSERVER_PID") != nullptr) {
    state.counters["xserver_cpu_us_per_frame"] = Counter(serverCpu * 1e6, Counter::kAvgIterations);
  }
  removeFolder(cache);
  state.SetLabel("one frame of the field in view, 1024 x 768");
}

// The reader's share of start-up: the files the field draws under the same seed, decoded and
// released, without GL (run in the pictures' folder): thirty reads, one for each body
// (once_per_file:0), against one for each distinct file (once_per_file:1), as the game reads them.
void BM_ReadFieldPictures(benchmark::State& state) {
  std::vector<int> files = drawnFiles(kSeed);
  if (state.range(0) != 0) {
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
  }
  if (chdir(FARLIGHT_PICTURES_DIR) != 0) state.SkipWithError("no pictures folder");
  for (auto _ : state) {
    for (int file : files) {
      RgbImage* image = loadDibImage(textureFiles[file]);
      benchmark::DoNotOptimize(image);
      releaseRgbImage(image);
    }
  }
  state.SetLabel("the field's " + std::to_string(files.size()) + " picture reads, in process");
}

// Thirty starts each (the median of 30): a start on two shared cores swings by a tenth either
// way, and ten gave medians as far apart. Timed by the game's own clock readings, not this
// process's.
constexpr int kStarts = 30;
BENCHMARK(BM_GameToFirstSwap)
    ->ArgNames({"pictures", "warm_cache"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Iterations(1)
    ->Repetitions(kStarts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWindowToFirstSwap)
    ->Iterations(1)
    ->Repetitions(kStarts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameFrame)
    ->Iterations(1)
    ->Repetitions(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFieldPictures)
    ->ArgName("once_per_file")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (const char* baseline = std::getenv("FARLIGHT_BASELINE")) {
    benchmark::RegisterBenchmark("BM_BaselineToFirstSwap/pictures:1/warm_cache:1",
                                 BM_BaselineToFirstSwap, baseline)
        ->Iterations(1)
        ->Repetitions(kStarts)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
