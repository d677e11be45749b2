#include "game_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/field.h"
#include "tests/support/temp_folder.h"

// Last: Xlib defines macros (None, Bool, ...) that clash with GoogleTest.
#include <X11/Xlib.h>

namespace game {

namespace {

const char kTitle[] = "Farlight : Solar System";

// Runs in the child: never returns.
[[noreturn]] void exec(const std::vector<std::string>& command, const std::string& folder,
                       const std::string& display) {
  const int err = open((folder + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (err < 0 || dup2(err, STDERR_FILENO) < 0 || chdir(folder.c_str()) != 0) _exit(126);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  setenv("GALLIUM_DRIVER", "llvmpipe", 1);
  setenv("GALLIUM_HUD", "fps", 1);
  setenv("GALLIUM_HUD_VISIBLE", "false", 1);
  setenv("GALLIUM_HUD_PERIOD", "0", 1);
  setenv("GALLIUM_HUD_DUMP_DIR", folder.c_str(), 1);
  std::vector<char*> argv;
  argv.reserve(command.size() + 3);
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(const_cast<char*>("-display"));
  argv.push_back(const_cast<char*>(display.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// The game's window may vanish with the game at any moment; Xlib's default handler would then end
// the test program over the request that named it.
int ignoreError(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

std::string output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) text += chunk;
  pclose(pipe);
  return text;
}

std::string pictureFolder(const std::string& tag) {
  return ::pictureFolder("release-" + tag, FARLIGHT_PICTURES_DIR);
}

Process::~Process() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (display_ != nullptr) XCloseDisplay(static_cast<Display*>(display_));
}

bool Process::start(const std::vector<std::string>& command, const std::string& folder,
                    int seconds) {
  folder_ = folder;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return false;
  // Held open for the whole run, so that the server never resets under the game.
  for (int attempt = 0; attempt < 40 && display_ == nullptr; ++attempt) {
    display_ = XOpenDisplay(display);
    if (display_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (display_ == nullptr) return false;
  XSetErrorHandler(ignoreError);
  pid_ = fork();
  if (pid_ == 0) exec(command, folder, display);
  if (pid_ < 0) return false;
  // Polled rather than waited on in one go, so that a game that dies on the way fails at once.
  const std::string search = "xdotool search --onlyvisible --name '^" + std::string(kTitle) + "$'";
  for (int waited = 0; waited < 4 * seconds && window_ == 0 && running(); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    window_ = std::strtoul(output(search + " 2>/dev/null").c_str(), nullptr, 10);
  }
  return window_ != 0;
}

bool Process::click(int button, int x, int y, int count) const {
  auto* display = static_cast<Display*>(display_);
  if (display == nullptr || window_ == 0) return false;
  XEvent event = {};
  event.xbutton.window = window_;
  event.xbutton.root = DefaultRootWindow(display);
  event.xbutton.x = x;
  event.xbutton.y = y;
  event.xbutton.button = static_cast<unsigned>(button);
  event.xbutton.same_screen = True;
  bool sent = true;
  for (int i = 0; i < count; ++i) {
    event.xbutton.type = ButtonPress;
    event.xbutton.state = 0;
    sent = XSendEvent(display, window_, False, ButtonPressMask, &event) != 0 && sent;
    event.xbutton.type = ButtonRelease;
    event.xbutton.state = Button1Mask << (button - 1);
    sent = XSendEvent(display, window_, False, ButtonReleaseMask, &event) != 0 && sent;
  }
  XFlush(display);
  return sent;
}

int Process::close(int seconds) {
  if (display_ == nullptr) return -1;
  if (!running()) return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  auto* display = static_cast<Display*>(display_);
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window_;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window_, False, NoEventMask, &event);
  XFlush(display);
  for (int waited = 0; waited < 10 * seconds && running(); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (running()) return -1;
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

bool Process::running() {
  if (pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == pid_) pid_ = -1;
  return pid_ > 0;
}

bool Process::waitForFrames(int frames, int seconds) {
  for (int waited = 0; waited < 10 * seconds && framesDrawn() < frames && running(); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return framesDrawn() >= frames;
}

int Process::framesDrawn() const {
  int lines = 0;
  for (char c : readFile(folder_ + "/fps")) lines += c == '\n';
  return lines;
}

std::string Process::errors() const {
  return readFile(folder_ + "/stderr.txt");
}

std::string readFile(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> underMemcheck(const std::string& log) {
  return {"valgrind",
          "--tool=memcheck",
          "--error-exitcode=99",
          "--leak-check=full",
          "--show-leak-kinds=definite",
          "--errors-for-leak-kinds=definite",
          "--num-callers=30",
          "--keep-debuginfo=yes",  // names the driver's frames after it is unloaded at exit
          std::string("--suppressions=") + FARLIGHT_VALGRIND_SUPPRESSIONS,
          "--log-file=" + log,
          FARLIGHT_BINARY};
}

bool hasValgrind() {
  return std::system("valgrind --version > /dev/null 2>&1") == 0;
}

std::string findings(const std::string& log) {
  const size_t start = log.find("Parent PID:");
  return start == std::string::npos ? log : log.substr(start);
}

bool clickRepeatedly(Process& game, int button, int x, int y, int count) {
  const int before = game.framesDrawn();
  return game.click(button, x, y, count) && game.waitForFrames(before + count, 60);
}

}  // namespace game
