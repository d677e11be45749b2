#ifndef FARLIGHT_TESTS_GAME_PROCESS_H
#define FARLIGHT_TESTS_GAME_PROCESS_H

// The shipped game as a child process on the test's own X server, played with xdotool.

#include <sys/types.h>

#include <string>
#include <vector>

namespace game {

// A folder under the temporary directory holding links to the eleven shipped pictures.
std::string pictureFolder(const std::string& tag);

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();  // kills the child if it is still running

  // Runs `command` (the game, or a checker that runs it) with `folder` as working directory,
  // standard error into `folder`/stderr.txt, on Mesa's JIT software rasteriser (far faster under
  // a checker than the interpreting one). "-display <server>" is appended and DISPLAY cleared, so
  // the game talks to the test's server while the reader's notices go to standard error rather
  // than into a box that waits for a click. Mesa's heads-up display, kept invisible, writes a
  // line into `folder`/fps at every swap (a period of 0 seconds): frames counted without touching
  // the game. Returns false if the window titled "Farlight : Solar System" did not show within
  // `seconds`. The window is found by its title alone (freeglut names no process on it), so no
  // other game may run on the same server meanwhile: each test has a server of its own.
  bool start(const std::vector<std::string>& command, const std::string& folder, int seconds);

  int framesDrawn() const;
  // Waits until `frames` frames are drawn, the process ends, or `seconds` pass; true if drawn.
  bool waitForFrames(int frames, int seconds);
  std::string errors() const;

  // Presses and releases `button` at window point (x, y), `count` times, sent straight to the
  // window: xdotool would take some 80 ms a click, the game takes a few.
  bool click(int button, int x, int y, int count = 1) const;

  // Asks the window to close as a window manager's close button does, then waits up to `seconds`
  // for the process; returns its exit code, or -1 if it did not exit by itself in time.
  int close(int seconds);

  // False once the process has ended, by itself or not.
  bool running();

  pid_t pid() const { return pid_; }
  unsigned long window() const { return window_; }

 private:
  std::string folder_;
  void* display_ = nullptr;  // the Xlib connection, kept out of this header for its macros
  pid_t pid_ = -1;
  int status_ = 0;
  unsigned long window_ = 0;
};

std::string readFile(const std::string& path);

// What a shell command prints on standard output.
std::string output(const std::string& command);

// The command that runs the game under valgrind's memcheck with the project's suppressions, the
// report going to `log`; memcheck exits with 99 if it found anything.
std::vector<std::string> underMemcheck(const std::string& log);
bool hasValgrind();

// A memcheck report from its first finding on, without the banner.
std::string findings(const std::string& log);

// Presses and releases `button` `count` times at window point (x, y), then waits until the game
// has drawn a frame for each (every pick pass swaps buffers too); false if it fell behind.
bool clickRepeatedly(Process& game, int button, int x, int y, int count);

}  // namespace game

#endif
