// Work run in a forked child process, and the wait for its end.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The child's exit status; -1 when a signal ended it or it was still running after
// `timeoutSeconds` (it is killed then).
inline int Join(pid_t pid, double timeoutSeconds = 300) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace wk::testing
