// The shipped binary under Xvfb: its window, found by title with xdotool, and a clean close.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

// Last: Xlib defines macros (None, Bool, ...) that clash with GoogleTest.
#include <X11/Xlib.h>

namespace {

using namespace std::chrono_literals;

std::string output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) text += chunk;
  pclose(pipe);
  return text;
}

// Xvfb resets itself whenever its last client leaves, and a connection attempted during the reset
// is refused; so try for a moment before calling the display missing.
Display* connect() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (Display* display = XOpenDisplay(name)) return display;
    std::this_thread::sleep_for(50ms);
  }
  return nullptr;
}

// Asks the window to close the way a window manager's close button does.
void sendClose(Display* display, unsigned long window) {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

// User plus system CPU time of the whole process, in clock ticks.
long cpuTicks(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(file, line);
  const size_t end = line.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream rest(line.substr(end + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int n = 3; n <= 15 && rest >> field; ++n) {
    if (n == 14) utime = std::stol(field);
    if (n == 15) stime = std::stol(field);
  }
  return utime + stime;
}

class RunningGame : public ::testing::Test {
 protected:
  void SetUp() override {
    // Held open for the whole test, so that the server never resets under the game.
    display_ = connect();
    ASSERT_NE(display_, nullptr) << "No X display: run through tools/test.sh, which starts Xvfb.";
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      execl(FARLIGHT_BINARY, FARLIGHT_BINARY, static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::string found =
        output("timeout 20 xdotool search --sync --onlyvisible --name '^Farlight : Solar System$'");
    window_ = std::strtoul(found.c_str(), nullptr, 10);
    ASSERT_NE(window_, 0ul) << "no window titled \"Farlight : Solar System\" appeared";
  }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  // Closes the window and waits for the process; true if it exited by itself with status 0.
  bool closesCleanly() {
    sendClose(display_, window_);
    for (auto waited = 0ms; waited < 10s; waited += 50ms) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
      }
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  Display* display_ = nullptr;
  pid_t pid_ = -1;
  unsigned long window_ = 0;
};

TEST_F(RunningGame, OpensItsWindowAt1024By768AndEndsWhenClosed) {
  const std::string shape = output("xdotool getwindowgeometry --shell " + std::to_string(window_));
  EXPECT_NE(shape.find("WIDTH=1024\n"), std::string::npos) << shape;
  EXPECT_NE(shape.find("HEIGHT=768\n"), std::string::npos) << shape;
  EXPECT_NE(shape.find("X=0\n"), std::string::npos) << shape;
  EXPECT_NE(shape.find("Y=0\n"), std::string::npos) << shape;
  EXPECT_TRUE(closesCleanly());
}

// Motion is per frame, so the field is gone in a fraction of a second and no test can win a race
// to click a sphere; what does not race is whether the game keeps drawing.
TEST_F(RunningGame, SpinsFrameAfterFrameUntilARightClickFreezesIt) {
  const long started = cpuTicks(pid_);
  std::this_thread::sleep_for(1s);
  EXPECT_GT(cpuTicks(pid_), started + 10) << "the idle callback keeps frames coming";

  const std::string click = "xdotool mousemove --sync 512 384 click 3";
  ASSERT_EQ(std::system(click.c_str()), 0);
  std::this_thread::sleep_for(500ms);  // lets the click and a pending frame through
  const long frozen = cpuTicks(pid_);
  std::this_thread::sleep_for(1500ms);
  EXPECT_LE(cpuTicks(pid_), frozen + 3) << "still drawing after the right click";
  EXPECT_TRUE(closesCleanly());
}

}  // namespace
