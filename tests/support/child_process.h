// Work run in a forked child process, and the wait for its end.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

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

// How a child process ended.
struct Ended {
    int exitCode = -1;   // -1 unless it ended by itself
    int signal = 0;      // the signal that ended it (SIGKILL when its time was up)
    long maxRssKiB = 0;  // its peak memory
};

// Waits for the child, killing it when it still runs after `timeoutSeconds`.
inline Ended Wait(pid_t pid, double timeoutSeconds = 300) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    Ended ended;
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return ended;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
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
