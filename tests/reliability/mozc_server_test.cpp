// SPDX-License-Identifier: MIT
// A real Mozc server, reached through mozc_emacs_helper, offers the words wordkeeper-cli adds and
// no longer offers removed ones, without a restart. Mozc refuses root: a root test runs as the
// system user "wordkeeper-test", created the first time.
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "cli_process.h"

namespace wk::reliability {
namespace {

constexpr const char* kHelper = "/usr/bin/mozc_emacs_helper";

// The process id in the server's .session.ipc: a protobuf message that starts with its
// field 1 (a short string), then field 2, the id (a varint).
pid_t ServerPid(const std::string& profile) {
    const std::string bytes = ReadFile(profile + "/.session.ipc");
    if (bytes.size() < 2 || bytes[0] != 0x0A) return 0;
    std::size_t at = 2 + static_cast<unsigned char>(bytes[1]);
    if (at >= bytes.size() || bytes[at++] != 0x10) return 0;
    pid_t pid = 0;
    for (int shift = 0; at < bytes.size() && shift < 32; shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        pid |= static_cast<pid_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) break;
    }
    return pid;
}

// Types `romaji` and a space in a new session of the helper; its replies.
std::string Convert(CliHome& home, std::optional<uid_t> user, const std::string& romaji) {
    std::string keys = "(1 CreateSession)\n";
    int event = 2;
    for (char c : romaji)
        keys += "(" + std::to_string(event++) + " SendKey 1 " + std::to_string(int(c)) + ")\n";
    WriteFile(home.Path("keys"), keys + "(" + std::to_string(event) + " SendKey 1 space)\n");
    return home
        .Run({},
             {.user = user, .input = home.Path("keys"), .timeoutSeconds = 20, .program = kHelper})
        .out;
}

bool Offered(const std::string& replies, const std::string& word) {
    return replies.find("(value . \"" + word + "\")(attributes user-dictionary)") !=
           std::string::npos;
}

TEST(MozcServerTest, RegisteredWordsAreOfferedRemovedOnesNotAlsoWithTheServerRunning) {
    if (::access(kHelper, X_OK) != 0) GTEST_SKIP() << "emacs-mozc-bin is not installed";
    CliHome home;
    std::optional<uid_t> user;
    if (::getuid() == 0) {  // useradd fails quietly when the user is there already
        (void)!std::system(
            "useradd --system --no-create-home --home-dir /nonexistent "
            "--shell /usr/sbin/nologin wordkeeper-test >/dev/null 2>&1");
        const passwd* pw = ::getpwnam("wordkeeper-test");
        ASSERT_NE(pw, nullptr) << "could not create the user wordkeeper-test";
        user = pw->pw_uid;
    }
    std::filesystem::create_directories(home.Path(".mozc"));  // the profile of both
    if (user) home.GiveTo(*user);
    const auto cli = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--ime", "mozc"});
        return home.Run(args, {.user = user, .timeoutSeconds = 30});
    };
    if (cli({"styles"}).exitCode != 0) GTEST_SKIP() << "built without the Mozc back end";

    EXPECT_EQ(cli({"add", "かんじ", "幹事甲", "名詞"}).exitCode, 0);  // read at the start
    const std::string first = Convert(home, user, "kanji");
    const pid_t server = ServerPid(home.Path(".mozc"));
    ASSERT_NE(server, 0) << "the server did not start:\n" << first;
    EXPECT_TRUE(Offered(first, "幹事甲")) << first;

    // The server runs: two changes in the same second, then a removal, each with a reload.
    EXPECT_EQ(cli({"add", "かんじ", "幹事乙", "名詞"}).exitCode, 0);
    EXPECT_EQ(cli({"add", "かんじ", "幹事丙", "名詞"}).exitCode, 0);
    EXPECT_EQ(cli({"remove", "かんじ", "幹事甲", "名詞"}).exitCode, 0);
    // The server reloads in the background; it is asked again until it has, 5 s at most.
    std::string replies;
    bool changed = false;
    for (int attempt = 0; attempt < 20 && !changed; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(250));
        replies = Convert(home, user, "kanji");
        changed =
            Offered(replies, "幹事乙") && Offered(replies, "幹事丙") && !Offered(replies, "幹事甲");
    }
    EXPECT_TRUE(changed) << replies;
    EXPECT_EQ(ServerPid(home.Path(".mozc")), server) << "the server was restarted";
    // Stops the server the helper started, and only that one.
    struct stat st {};
    const std::string proc = "/proc/" + std::to_string(server);
    if (server > 1 && ::stat(proc.c_str(), &st) == 0 && st.st_uid == (user ? *user : ::getuid()))
        ::kill(server, SIGKILL);
}

}  // namespace
}  // namespace wk::reliability
