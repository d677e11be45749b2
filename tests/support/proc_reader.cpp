#include "tests/support/proc_reader.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::ifstream procFile(pid_t pid, const char* name) {
  return std::ifstream("/proc/" + std::to_string(pid) + "/" + name);
}

}  // namespace

long statusKiB(pid_t pid, const char* field) {
  std::ifstream status = procFile(pid, "status");
  const std::string prefix = std::string(field) + ":";
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return -1;
}

long cpuTicks(pid_t pid) {
  std::ifstream stat = procFile(pid, "stat");
  std::string line;
  std::getline(stat, line);
  // The command name, in parentheses, may hold spaces; fields are counted from its end.
  const size_t end = line.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(line.substr(end + 1));
  std::string field;
  long utime = -1, stime = -1;
  for (int n = 3; n <= 15 && fields >> field; ++n) {
    if (n == 14) utime = std::strtol(field.c_str(), nullptr, 10);
    if (n == 15) stime = std::strtol(field.c_str(), nullptr, 10);
  }
  return utime < 0 || stime < 0 ? -1 : utime + stime;
}

double schedulerCpuSeconds(pid_t pid) {
  std::ifstream schedstat = procFile(pid, "schedstat");
  double ns = -1;
  return schedstat >> ns ? ns * 1e-9 : -1;
}
