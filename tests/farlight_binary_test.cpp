// The shipped binary under Xvfb: its window, found by title with xdotool, and a clean close.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

bool haveDisplay() {
  const char* name = std::getenv("DISPLAY");
  Display* display = (name && *name) ? XOpenDisplay(name) : nullptr;
  if (display != nullptr) XCloseDisplay(display);
  return display != nullptr;
}

// Asks the window to close the way a window manager's close button does.
void sendClose(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return;
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
}

class RunningGame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(haveDisplay()) << "No X display: run through tools/test.sh, which starts Xvfb.";
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
  }

  // Closes the window and waits for the process; true if it exited by itself with status 0.
  bool closesCleanly() {
    sendClose(window_);
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

}  // namespace
