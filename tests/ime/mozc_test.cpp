// The Mozc back end on files of Mozc's format: what it leaves as it found, which files it
// refuses, where it writes and how it dates what it writes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/text.h"
#include "ime/mozc_backend.h"
#include "mozc_dictionary.pb.h"
#include "temp_folder.h"

namespace wk::ime {
namespace {

namespace fs = std::filesystem;
using mozcfile::UserDictionaryStorage;
using Word = std::tuple<std::u16string, std::uint32_t, std::u16string>;

struct TempProfile : wk::testing::TempFolder {
    fs::path file = path / "user_dictionary.db";

    std::unique_ptr<MozcBackend> Open() {
        std::string error;
        auto ime = MozcBackend::Open(path.string(), &error);
        EXPECT_NE(ime, nullptr) << error;
        return ime;
    }
};

const auto Slurp = wk::testing::ReadFile;
const auto Put = wk::testing::WriteFile;

UserDictionaryStorage Parse(const fs::path& path) {
    UserDictionaryStorage storage;
    EXPECT_TRUE(storage.ParseFromString(Slurp(path)));
    return storage;
}

std::vector<Word> All(InputMethod& ime) {
    std::vector<Word> out;
    EXPECT_TRUE(ime.EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
        out.emplace_back(r, s, w);
        return 1;
    }));
    return out;
}

void AddEntry(mozcfile::UserDictionary* d, const char* key, const char* value, int pos,
              const char* comment = nullptr) {
    auto* e = d->add_entries();
    e->set_key(key);
    e->set_value(value);
    e->set_pos(pos);
    if (comment) e->set_comment(comment);
}

// A disabled dictionary, then two enabled ones with ids, comments and fields of other Mozc
// versions: a registration goes to the end of the first enabled one, a removal takes the
// entry where it is, a change does both in one rewrite; everything else stays as it was.
TEST(MozcBackend, KeepsEverythingItDoesNotChange) {
    TempProfile profile;
    UserDictionaryStorage storage;
    storage.set_version(1);
    auto* off = storage.add_dictionaries();
    off->set_id(7);
    off->set_enabled(false);
    off->set_name("無効");
    AddEntry(off, "あ", "亜", 1);
    auto* first = storage.add_dictionaries();
    first->set_id(8);
    first->set_name("仕事");
    AddEntry(first, "い", "伊", 5, "人の名前");
    AddEntry(first, "う", "宇", 9);
    auto* second = storage.add_dictionaries();
    second->set_name("趣味");
    AddEntry(second, "え", "江", 1);
    AddEntry(second, "い", "伊", 5);
    storage.mutable_unknown_fields()->AddVarint(15, 42);  // fields we do not know
    first->mutable_entries(1)->mutable_unknown_fields()->AddVarint(6, 1);
    Put(profile.file, storage.SerializeAsString());

    auto ime = profile.Open();
    EXPECT_EQ(All(*ime),
              (std::vector<Word>{
                  {u"い", 5, u"伊"}, {u"う", 9, u"宇"}, {u"え", 1, u"江"}, {u"い", 5, u"伊"}}));
    ASSERT_TRUE(ime->RegisterWord(u"お", 1, u"尾"));
    ASSERT_TRUE(ime->UnregisterWord(u"え", 1, u"江"));
    ASSERT_TRUE(ime->UnregisterWord(u"い", 5, u"伊"));  // the first of two
    ASSERT_TRUE(ime->ChangeWord(u"う", 9, u"宇", u"う", 8, u"宇"));
    EXPECT_FALSE(ime->ChangeWord(u"う", 9, u"宇", u"か", 1, u"可"));
    EXPECT_EQ(ime->LastErrorDetail(), "その単語は登録されていません");

    AddEntry(first, "お", "尾", 1);
    first->mutable_entries()->DeleteSubrange(0, 2);
    AddEntry(first, "う", "宇", 8);
    second->mutable_entries()->DeleteSubrange(0, 1);
    EXPECT_EQ(Slurp(profile.file), storage.SerializeAsString());
}

// Files Mozc could not load are refused at opening and at every change, and stay as they were.
TEST(MozcBackend, RefusesFilesMozcCannotLoadAndLeavesThemAlone) {
    TempProfile profile;
    auto ime = profile.Open();
    const std::pair<std::string, const char*> files[] = {
        {"\xFF\xFF\xFF\xFF", "壊れているか、Mozcの辞書ではありません"},
        {std::string("\x12\x05\x22\x03\x0A\x01", 6), "壊れているか"},  // cut short
        {std::string("\x78\x2A", 2), "Mozcの辞書ではありません"},      // another message
    };
    for (const auto& [content, message] : files) {
        SCOPED_TRACE(message);
        Put(profile.file, content);
        std::string error;
        EXPECT_EQ(MozcBackend::Open(profile.path.string(), &error), nullptr);
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_FALSE(ime->RegisterWord(u"よ", 1, u"語"));
        EXPECT_NE(ime->LastErrorDetail().find(message), std::string::npos);
        EXPECT_EQ(Slurp(profile.file), content);
    }
    fs::resize_file(profile.file, kMozcMaxFileBytes + 1);  // sparse
    EXPECT_FALSE(ime->RegisterWord(u"よ", 1, u"語"));
    EXPECT_NE(ime->LastErrorDetail().find("512MB"), std::string::npos);
    EXPECT_EQ(fs::file_size(profile.file), kMozcMaxFileBytes + 1);
    fs::remove(profile.file);
    fs::create_directory(profile.file);
    std::string error;
    EXPECT_EQ(MozcBackend::Open(profile.path.string(), &error), nullptr);
    EXPECT_NE(error.find("通常のファイルではありません"), std::string::npos);
}

// No room: a full dictionary, or only disabled ones.
TEST(MozcBackend, RefusesWhereMozcHasNoRoom) {
    TempProfile profile;
    UserDictionaryStorage storage;
    auto* full = storage.add_dictionaries();
    for (std::size_t i = 0; i < kMozcMaxEntries; ++i) AddEntry(full, "よ", "語", 1);
    Put(profile.file, storage.SerializeAsString());
    auto ime = profile.Open();
    EXPECT_FALSE(ime->RegisterWord(u"べつ", 1, u"別"));
    EXPECT_EQ(ime->LastErrorDetail(), "辞書の単語数が上限の1000000語に達しています");
    ASSERT_TRUE(ime->UnregisterWord(u"よ", 1, u"語"));
    EXPECT_TRUE(ime->RegisterWord(u"べつ", 1, u"別"));

    full->Clear();
    full->set_enabled(false);
    Put(profile.file, storage.SerializeAsString());
    EXPECT_FALSE(ime->RegisterWord(u"べつ", 1, u"別"));
    EXPECT_EQ(ime->LastErrorDetail(), "Mozcのユーザー辞書がすべて無効になっています");
}

// A linked dictionary is written where the link points; each rewrite moves the file's
// modification time to another second, also when two fall in the same second; a listing
// reads what another writer left.
TEST(MozcBackend, WritesThroughALinkAndDatesEveryChangeInANewSecond) {
    TempProfile profile;
    fs::create_directory(profile.path / "kept");
    fs::create_symlink("kept/mine.db", profile.file);
    auto ime = profile.Open();
    ASSERT_TRUE(profile.Open()->RegisterWord(u"かず", 12, u"零"));  // not what `ime` read
    EXPECT_EQ(All(*ime), (std::vector<Word>{{u"かず", 12, u"零"}}));
    std::vector<std::time_t> seconds;
    for (const char16_t* word : {u"一", u"二", u"三"}) {
        ASSERT_TRUE(ime->RegisterWord(u"かず", 12, word));
        struct stat st {};
        ASSERT_EQ(::stat(profile.file.c_str(), &st), 0);
        if (!seconds.empty()) {
            EXPECT_NE(st.st_mtim.tv_sec, seconds.back());
        }
        seconds.push_back(st.st_mtim.tv_sec);
    }
    EXPECT_TRUE(fs::is_symlink(profile.file));
    EXPECT_EQ(Parse(profile.path / "kept/mine.db").dictionaries(0).entries_size(), 4);
    EXPECT_EQ(Utf16ToUtf8(ime->Name()), "Mozc");
    EXPECT_EQ(ime->KeptFiles(),
              (std::vector<std::string>{profile.file.string(), profile.file.string() + ".tmp",
                                        (profile.path / ".user_dictionary.db.lock").string()}));
}

// A server is asked to reload with Mozc's request and its reply read to the end; one that
// never answers is given up after the bound, and a change still stands.
TEST(MozcBackend, AsksARunningServerToReloadAndDoesNotWaitForAHungOne) {
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "answers" : "hung");
        TempProfile profile;
        mozcfile::IpcPathInfo info;
        info.set_key(answers ? "0123456789abcdef0123456789abcdef"
                             : "fedcba9876543210fedcba9876543210");
        info.set_process_id(1);
        Put(profile.path / ".session.ipc", info.SerializeAsString());
        const std::string name = "tmp/.mozc." + info.key() + ".session";
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, name.data(), name.size());
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address),
                         static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
                  0);
        ASSERT_EQ(::listen(listener, 4), 0);
        std::string request;
        std::atomic<bool> changed = false;  // a hung server holds on until the change is done
        std::thread server([&] {
            const int fd = ::accept(listener, nullptr, nullptr);
            char buffer[64];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) request.append(buffer, n);
            if (answers) (void)!::write(fd, "\x08\x00", 2);
            while (!answers && !changed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::close(fd);
        });
        EXPECT_TRUE(profile.Open()->RegisterWord(u"よ", 1, u"語"));
        changed = true;
        server.join();
        ::close(listener);
        EXPECT_EQ(request, std::string("\x08\x0a", 2));
        EXPECT_EQ(SendMozcReload(profile.path.string(), kMozcReloadWait), false);  // gone now
    }
}

}  // namespace
}  // namespace wk::ime
