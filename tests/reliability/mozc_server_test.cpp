// wordkeeper-cli beside a real Mozc server, reached through mozc_emacs_helper as Emacs
// would: a registered word is offered as a user-dictionary candidate for its reading, a
// removed one no longer is, and a server already running takes changes without a restart.
// Mozc refuses to run as root, so a root test runs everything as the system user
// "wordkeeper-test", which it creates the first time.
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
constexpr const char* kTestUser = "wordkeeper-test";

std::optional<uid_t> TestUser() {
    if (::getuid() != 0) return std::nullopt;
    if (::getpwnam(kTestUser) == nullptr) {
        const std::string create = std::string("useradd --system --no-create-home ") +
                                   "--home-dir /nonexistent --shell /usr/sbin/nologin " +
                                   kTestUser + " >/dev/null 2>&1";
        (void)!std::system(create.c_str());
    }
    const passwd* pw = ::getpwnam(kTestUser);
    return pw ? std::optional<uid_t>(pw->pw_uid) : std::optional<uid_t>(0);
}

// The process id in the server's .session.ipc (a protobuf message, field 2).
pid_t ServerPid(const std::string& profile) {
    const std::string bytes = ReadFile(profile + "/.session.ipc");
    std::size_t at = 0;
    const auto varint = [&] {
        std::uint64_t value = 0;
        for (int shift = 0; at < bytes.size() && shift < 64; shift += 7) {
            const auto byte = static_cast<unsigned char>(bytes[at++]);
            value |= std::uint64_t(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) break;
        }
        return value;
    };
    while (at < bytes.size()) {
        const std::uint64_t tag = varint();
        if ((tag & 7) == 0) {
            const std::uint64_t value = varint();
            if (tag >> 3 == 2) return static_cast<pid_t>(value);
        } else if ((tag & 7) == 2) {
            at += varint();
        } else {
            break;
        }
    }
    return 0;
}

class MozcSession {
  public:
    MozcSession(CliHome& home, std::optional<uid_t> user) : home_(home), user_(user) {}
    // Stops the server the helper started, and only that one.
    ~MozcSession() {
        const pid_t pid = ServerPid(home_.Path(".mozc"));
        struct stat st {};
        const std::string proc = "/proc/" + std::to_string(pid);
        if (pid <= 1 || ::stat(proc.c_str(), &st) != 0 ||
            st.st_uid != (user_ ? *user_ : ::getuid()))
            return;
        ::kill(pid, SIGTERM);
        for (int i = 0; i < 100 && ::stat(proc.c_str(), &st) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid, SIGKILL);
    }

    // Types `romaji` and a space in a new session; the helper's replies.
    std::string Convert(const std::string& romaji) {
        std::string keys = "(1 CreateSession)\n";
        int event = 2;
        for (char c : romaji) {
            keys += "(" + std::to_string(event++) + " SendKey 1 " + std::to_string(int(c)) + ")\n";
        }
        keys += "(" + std::to_string(event) + " SendKey 1 space)\n";
        WriteFile(home_.Path("keys"), keys);
        const RunOptions options{
            .user = user_, .input = home_.Path("keys"), .timeoutSeconds = 20, .program = kHelper};
        return home_.Run({}, options).out;
    }

    static bool Offered(const std::string& replies, const std::string& word) {
        return replies.find("(value . \"" + word + "\")(attributes user-dictionary)") !=
               std::string::npos;
    }

  private:
    CliHome& home_;
    std::optional<uid_t> user_;
};

TEST(MozcServerTest, RegisteredWordsAreOfferedRemovedOnesNotAlsoWithTheServerRunning) {
    if (::access(kHelper, X_OK) != 0) GTEST_SKIP() << "emacs-mozc-bin is not installed";
    CliHome home;
    const std::optional<uid_t> user = TestUser();
    ASSERT_NE(user, std::optional<uid_t>(0)) << "could not create the user " << kTestUser;
    std::filesystem::create_directories(home.Path(".mozc"));  // the profile of both
    if (user) home.GiveTo(*user);
    const RunOptions as{.user = user, .timeoutSeconds = 30};
    using Args = std::vector<std::string>;
    const auto cli = [&](Args args) {
        args.insert(args.begin(), {"--ime", "mozc"});
        const Outcome o = home.Run(args, as);
        EXPECT_EQ(o.exitCode, 0) << o.err;
    };
    if (home.Run({"--ime", "mozc", "styles"}, as).exitCode != 0) {
        GTEST_SKIP() << "wordkeeper-cli is built without the Mozc back end";
    }
    MozcSession mozc(home, user);

    cli({"add", "かんじ", "幹事甲", "名詞"});  // no server yet: it reads the file at start
    const std::string first = mozc.Convert("kanji");
    const pid_t server = ServerPid(home.Path(".mozc"));
    ASSERT_NE(server, 0) << "the server did not start:\n" << first;
    EXPECT_TRUE(MozcSession::Offered(first, "幹事甲")) << first;

    // The server runs: two changes in the same second, then a removal, each with a reload.
    cli({"add", "かんじ", "幹事乙", "名詞"});
    cli({"add", "かんじ", "幹事丙", "名詞"});
    cli({"remove", "かんじ", "幹事甲", "名詞"});
    std::string replies;
    // The server reloads in the background; it is asked again for a few seconds at most.
    for (int attempt = 0; attempt < 20; ++attempt) {
        replies = mozc.Convert("kanji");
        if (MozcSession::Offered(replies, "幹事乙") && MozcSession::Offered(replies, "幹事丙") &&
            !MozcSession::Offered(replies, "幹事甲")) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_TRUE(MozcSession::Offered(replies, "幹事乙")) << replies;
    EXPECT_TRUE(MozcSession::Offered(replies, "幹事丙")) << replies;
    EXPECT_FALSE(MozcSession::Offered(replies, "幹事甲")) << replies;
    EXPECT_EQ(ServerPid(home.Path(".mozc")), server) << "the server was restarted";
}

}  // namespace
}  // namespace wk::reliability
