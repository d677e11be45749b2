// Figures of a running process, read from Linux's /proc. Each is -1 when it cannot be read (the
// process has gone, or there is no /proc).
#pragma once

#include <sys/types.h>

// A size field of /proc/PID/status ("VmHWM", "VmRSS"...), in KiB.
long statusKiB(pid_t pid, const char* field);

// User plus system CPU time of the whole process, all its threads, in clock ticks (/proc/PID/stat).
long cpuTicks(pid_t pid);

// CPU time of the process's main thread by the scheduler's nanosecond count (/proc/PID/schedstat),
// in seconds: finer than clock ticks, for a single-threaded process such as the X server.
double schedulerCpuSeconds(pid_t pid);
