// SPDX-License-Identifier: MIT
// Work run in a forked child process, and the wait for its end.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace wk::testing {

// Runs `work` in a child process whose exit status is what `work` returns.
inline pid_t Fork(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int status = work();
        std::fflush(nullptr);
        ::_exit(status);
    }
    return pid;
}

struct Ended {
    int exitCode = -1;   // -1 unless it ended by itself
    int signal = 0;      // the signal that ended it (SIGKILL when its time was up)
    long maxRssKiB = 0;  // its peak memory
};

// Waits for the child, killing it when it still runs after `timeoutSeconds`.
inline Ended Wait(pid_t pid, double timeoutSeconds = 300) {
    Ended ended;
    // The child's pidfd becomes readable when it ends.
    const int handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0) return ended;
    pollfd child{handle, POLLIN, 0};
    int ready;
    while ((ready = ::poll(&child, 1, static_cast<int>(timeoutSeconds * 1000))) < 0 &&
           errno == EINTR) {
    }
    if (ready == 0) ::kill(pid, SIGKILL);
    ::close(handle);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) return ended;
    ended.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ended.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    ended.maxRssKiB = usage.ru_maxrss;
    return ended;
}

// The child's exit status; -1 when a signal or the time limit ended it.
inline int Join(pid_t pid, double timeoutSeconds = 300) {
    return Wait(pid, timeoutSeconds).exitCode;
}

}  // namespace wk::testing
