// SPDX-License-Identifier: MIT
/* Preloaded into anthy-dic-tool by anthy_bench: Anthy takes the home folder from the
   password database only, so this hands it the folder named by WORDKEEPER_BENCH_HOME,
   keeping the benchmark away from the real user's dictionary. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pwd.h>
#include <stdlib.h>

struct passwd* getpwuid(uid_t uid) {
    static struct passwd copy;
    struct passwd* (*real)(uid_t) = (struct passwd * (*)(uid_t)) dlsym(RTLD_NEXT, "getpwuid");
    struct passwd* found = real ? real(uid) : NULL;
    const char* home = getenv("WORDKEEPER_BENCH_HOME");
    if (found == NULL || home == NULL) return found;
    copy = *found;
    copy.pw_dir = (char*)home;
    return &copy;
}
