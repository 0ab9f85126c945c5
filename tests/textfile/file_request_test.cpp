// SPDX-License-Identifier: MIT
// The dialog library before the standard dialog, with the tests' own (gsgetfile_test_library.c).
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "temp_folder.h"
#include "textfile/file_request.h"

namespace wk::textfile {
namespace {

namespace fs = std::filesystem;
using Settings = std::vector<std::pair<std::string, std::string>>;

const std::string kFull = WK_GSGETFILE_FULL, kOpenOnly = WK_GSGETFILE_OPEN_ONLY;
const std::string kMissing = "/nonexistent-folder/libgsgetfile.so";
const std::string kStandard = "/from/the/standard/dialog.txt";

void Tell(const Settings& settings) {
    for (const char* name : {"RESULT", "ANSWER", "FILTER", "FILL", "LOG"})
        ::unsetenv((std::string("WK_TEST_GSGETFILE_") + name).c_str());
    for (const auto& [name, value] : settings)
        ::setenv(("WK_TEST_GSGETFILE_" + name).c_str(), value.c_str(), 1);
}

int Ask(FileRequest& request, const std::vector<std::string>& libraries) {
    const StandardDialog standard = [](FileRequest& r) {
        r.file = kStandard;
        return 1;
    };
    return request.kind == FileRequestKind::Open ? DoGetOpenFileName(request, libraries, standard)
                                                 : DoGetSaveFileName(request, libraries, standard);
}

TEST(FileRequest, LibraryFirstThenStandardDialog) {
    struct Case {
        const char* name;
        std::vector<std::string> libraries;
        bool open;
        Settings told;
        int result;
        std::string file;  // the answer
        int filterIndex;
    };
    const std::string chosen = "/home/u/words.txt";
    const Settings choose{{"ANSWER", chosen}};
    const Case cases[] = {
        {"no library", {kMissing}, true, {}, 1, kStandard, 0},
        {"library's filter", {kFull}, false, {{"ANSWER", chosen}, {"FILTER", "3"}}, 1, chosen, 3},
        {"open only: open", {kOpenOnly}, true, choose, 1, chosen, 0},
        {"open only: save", {kOpenOnly}, false, choose, 1, kStandard, 0},
        {"the first found serves", {kMissing, kOpenOnly, kFull}, false, choose, 1, kStandard, 0},
        {"missing passed over", {kMissing, kFull}, false, choose, 1, chosen, 0},
        {"result other than 1", {kFull}, true, {{"ANSWER", chosen}, {"RESULT", "2"}}, 2, "", 0},
        {"1, relative path", {kFull}, false, {{"ANSWER", "words.txt"}}, 0, "", 0},
        {"1, unterminated path", {kFull}, true, {{"FILL", "1"}}, 0, "", 0},
    };
    for (const Case& c : cases) {
        FileRequest request = c.open ? OpenTextRequest("/docs") : SaveTextRequest("/docs");
        Tell(c.told);
        EXPECT_EQ(Ask(request, c.libraries), c.result) << c.name;
        EXPECT_EQ(request.file, c.file) << c.name;
        EXPECT_EQ(request.filterIndex, c.filterIndex) << c.name;
    }
    Tell({});
}

// The library sees the request's fields; it is loaded anew for each request, so one removed
// in between is no longer used.
TEST(FileRequest, WhatTheLibrarySeesAndWhenItIsLoaded) {
    const wk::testing::TempFolder temp;
    const fs::path library = temp.path / "lib" / "libgsgetfile.so";
    fs::create_directory(library.parent_path());
    fs::copy_file(kFull, library);
    Tell({{"LOG", (temp.path / "log").string()}, {"ANSWER", "/a.txt"}});
    FileRequest request = SaveTextRequest("/home/u/Documents");
    request.filterIndex = 2;
    EXPECT_EQ(Ask(request, {library.string()}), 1);
    EXPECT_EQ(wk::testing::ReadFile(temp.path / "log"),
              "save|辞書ﾃｷｽﾄﾌｧｲﾙを保存|/home/u/Documents|2|2|" +
                  std::to_string(sizeof(GsFileRequest)) +
                  "|1|ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt|全てのﾌｧｲﾙ (*.*)|*.*|"
                  "UTF-8 ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt|Microsoft IME 用ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt|"
                  "Mozc 用ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt\n");
    fs::remove(library);
    EXPECT_EQ(Ask(request, {library.string()}), 1);
    EXPECT_EQ(request.file, kStandard);

    Tell({});
}

// A library planted in the current folder is never loaded, whatever the loader's search path
// the program was started with says (the loader reads it at the start, hence a new process).
TEST(FileRequest, NeverFromTheCurrentFolder) {
    const wk::testing::TempFolder planted;
    fs::create_directory(planted.path / "lib");
    fs::copy_file(kFull, planted.path / "libgsgetfile.so");
    fs::copy_file(kFull, planted.path / "lib" / "libgsgetfile.so");
    const std::pair<std::string, std::string> cases[] = {
        {"lib", "standard"},
        {"/nonexistent-folder::", "standard"},
        {planted.path.string(), "/planted.txt"},  // the probe does load a library it may
    };
    for (const auto& [path, answer] : cases) {
        const std::string command = "cd '" + planted.path.string() + "' && LD_LIBRARY_PATH='" +
                                    path + "' WK_TEST_GSGETFILE_ANSWER=/planted.txt " +
                                    WK_DIALOG_LIBRARY_PROBE;
        FILE* probe = ::popen(command.c_str(), "r");
        ASSERT_NE(probe, nullptr);
        char line[256] = {};
        std::fgets(line, sizeof line, probe);
        ::pclose(probe);
        EXPECT_EQ(std::string(line), answer + "\n") << path;
    }
}

TEST(FileRequest, WhereTheLibraryIsLookedFor) {
    const std::string so = "libgsgetfile.so";
    const std::tuple<std::string, const char*, std::vector<std::string>> cases[] = {
        {"/opt/wk/bin/", nullptr, {"/opt/wk/bin/" + so, so}},
        {"bin", "/a:/b", {so}},
        // An entry the loader would take relative to the current folder.
        {"/p", "lib;/b", {"/p/" + so, "/b/" + so}},
    };
    for (const auto& [folder, path, candidates] : cases)
        EXPECT_EQ(DialogLibraryCandidates(folder, path), candidates)
            << folder << (path ? path : "-");
}

TEST(FileRequest, TextExtensionForNamesWithoutOne) {
    EXPECT_EQ(WithTextExtension("/u/words.csv"), "/u/words.csv");
    EXPECT_EQ(WithTextExtension("/u/my.d/w"), "/u/my.d/w.txt");  // a dot above does not count
    EXPECT_EQ(WithTextExtension("/u/"), "/u/");
}

}  // namespace
}  // namespace wk::textfile
