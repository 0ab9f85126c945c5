// The file requests and the order of the dialog library and the standard dialog, with two
// libraries of the tests' own (gsgetfile_test_library.c): one with both exports, one
// with gsGetOpenFileName only.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "textfile/file_request.h"

namespace wk::textfile {
namespace {

namespace fs = std::filesystem;

const std::string kFull = WK_GSGETFILE_FULL;
const std::string kOpenOnly = WK_GSGETFILE_OPEN_ONLY;
const std::string kMissing = "/nonexistent-folder/libgsgetfile.so";

// What the test library is told, by the end of its variable names ("RESULT", "ANSWER"...).
using Settings = std::vector<std::pair<std::string, std::string>>;

// Sets the test library's variables for as long as it lives.
struct Environment {
    explicit Environment(const Settings& settings) {
        Clear();
        for (const auto& [name, value] : settings)
            ::setenv(("WK_TEST_GSGETFILE_" + name).c_str(), value.c_str(), 1);
    }
    ~Environment() { Clear(); }
    static void Clear() {
        for (const char* name : {"RESULT", "ANSWER", "FILTER", "FILL", "LOG"})
            ::unsetenv((std::string("WK_TEST_GSGETFILE_") + name).c_str());
    }
};

// Runs one request; `served` tells who answered it.
int Ask(FileRequest& request, const std::vector<std::string>& libraries, std::string& served) {
    served = "library";
    const StandardDialog standard = [&](FileRequest& r) {
        served = "standard";
        r.file = "/chosen/in/standard.txt";
        return 1;
    };
    return request.kind == FileRequestKind::Open ? DoGetOpenFileName(request, libraries, standard)
                                                 : DoGetSaveFileName(request, libraries, standard);
}

TEST(FileRequest, LibraryFirstThenStandardDialog) {
    struct Case {
        const char* name;
        std::vector<std::string> libraries;
        FileRequestKind kind;
        Settings env;
        std::string served;
        int result;
        std::string file;
        int filterIndex;
    };
    const auto open = FileRequestKind::Open, save = FileRequestKind::Save;
    const char* answer = "/home/u/words.txt";
    const Case cases[] = {
        {"no library", {kMissing}, open, Settings{}, "standard", 1, "/chosen/in/standard.txt", 0},
        {"library chooses", {kFull}, open, Settings{{"ANSWER", answer}}, "library", 1, answer, 0},
        {"library reports the filter",
         {kFull},
         save,
         Settings{{"ANSWER", answer}, {"FILTER", "3"}},
         "library",
         1,
         answer,
         3},
        {"open only: open",
         {kOpenOnly},
         open,
         Settings{{"ANSWER", answer}},
         "library",
         1,
         answer,
         0},
        {"open only: save falls to the standard",
         {kOpenOnly},
         save,
         Settings{},
         "standard",
         1,
         "/chosen/in/standard.txt",
         0},
        {"first found serves, lacking or not",
         {kMissing, kOpenOnly, kFull},
         save,
         Settings{},
         "standard",
         1,
         "/chosen/in/standard.txt",
         0},
        {"missing ones are passed over",
         {kMissing, kFull},
         save,
         Settings{{"ANSWER", answer}},
         "library",
         1,
         answer,
         0},
        {"result 0", {kFull}, open, Settings{{"RESULT", "0"}}, "library", 0, "", 0},
        {"result 2",
         {kFull},
         open,
         Settings{{"RESULT", "2"}, {"ANSWER", answer}},
         "library",
         2,
         "",
         0},
        {"result -1",
         {kFull},
         save,
         Settings{{"RESULT", "-1"}, {"ANSWER", answer}},
         "library",
         -1,
         "",
         0},
        {"1 with a relative path",
         {kFull},
         save,
         Settings{{"ANSWER", "words.txt"}},
         "library",
         0,
         "",
         0},
        {"1 with no path", {kFull}, open, Settings{}, "library", 0, "", 0},
        {"1 with an unterminated path",
         {kFull},
         open,
         Settings{{"FILL", "1"}},
         "library",
         0,
         "",
         0},
    };
    for (const Case& c : cases) {
        FileRequest request = c.kind == open ? OpenTextRequest("/docs") : SaveTextRequest("/docs");
        std::string served;
        Environment env(c.env);
        EXPECT_EQ(Ask(request, c.libraries, served), c.result) << c.name;
        EXPECT_EQ(served, c.served) << c.name;
        EXPECT_EQ(request.file, c.file) << c.name;
        EXPECT_EQ(request.filterIndex, c.filterIndex) << c.name;
    }
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TempFolder {
    fs::path path;
    TempFolder() {
        char pattern[] = "/tmp/wk-request-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempFolder() { fs::remove_all(path); }
};

// The library sees every field of the request; it is loaded anew for each request, so one
// removed in between is no longer used, and one in the current folder never is.
TEST(FileRequest, WhatTheLibrarySeesAndWhenItIsLoaded) {
    TempFolder folder;
    const std::string log = (folder.path / "log").string();
    const fs::path library = folder.path / "lib" / "libgsgetfile.so";
    fs::create_directory(library.parent_path());
    fs::copy_file(kFull, library);
    Environment env({{"LOG", log}, {"ANSWER", "/a.txt"}});
    std::string served;
    FileRequest open = OpenTextRequest("/home/u/Documents");
    FileRequest save = SaveTextRequest("/home/u/Documents");
    save.filterIndex = 2;
    EXPECT_EQ(Ask(open, {library.string()}, served), 1);
    EXPECT_EQ(Ask(save, {library.string()}, served), 1);
    const std::string size = std::to_string(sizeof(GsFileRequest));
    EXPECT_EQ(Slurp(log),
              "open|辞書ﾃｷｽﾄﾌｧｲﾙを開く|/home/u/Documents|4100|0|" + size +
                  "|1|ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt|全てのﾌｧｲﾙ (*.*)|*.*\n"
                  "save|辞書ﾃｷｽﾄﾌｧｲﾙを保存|/home/u/Documents|2|2|" +
                  size +
                  "|1|ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt|全てのﾌｧｲﾙ (*.*)|*.*|UTF-8 ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt\n");

    fs::remove(library);
    EXPECT_EQ(Ask(open, {library.string()}, served), 1);
    EXPECT_EQ(served, "standard");

    // In the current folder, under the name the system's search is asked for.
    fs::copy_file(kFull, folder.path / "libgsgetfile.so");
    const fs::path before = fs::current_path();
    fs::current_path(folder.path);
    EXPECT_EQ(Ask(open, DialogLibraryCandidates("/nonexistent-folder", nullptr), served), 1);
    fs::current_path(before);
    EXPECT_EQ(served, "standard");
}

TEST(FileRequest, WhereTheLibraryIsLookedFor) {
    struct Case {
        std::string folder;
        const char* ldLibraryPath;
        std::vector<std::string> candidates;
    };
    const std::string name = "libgsgetfile.so";
    const Case cases[] = {
        {"/opt/wk/bin", nullptr, {"/opt/wk/bin/" + name, name}},
        {"/opt/wk/bin/", "", {"/opt/wk/bin/" + name, name}},
        {"", "/usr/local/lib", {name}},
        {"bin", "/a:/b", {name}},
        // Entries the loader would take relative to the current folder.
        {"/p", "/a::/b", {"/p/" + name, "/a/" + name, "/b/" + name}},
        {"/p", "/a:", {"/p/" + name, "/a/" + name}},
        {"/p", "lib;/b", {"/p/" + name, "/b/" + name}},
        {"/p", "$ORIGIN/lib", {"/p/" + name}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DialogLibraryCandidates(c.folder, c.ldLibraryPath), c.candidates)
            << c.folder << " " << (c.ldLibraryPath ? c.ldLibraryPath : "(unset)");
    }
}

TEST(FileRequest, TextExtensionForNamesWithoutOne) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/u/words", "/home/u/words.txt"},
        {"/home/u/words.txt", "/home/u/words.txt"},
        {"/home/u/words.csv", "/home/u/words.csv"},
        {"/home/u/my.folder/words", "/home/u/my.folder/words.txt"},
        {"/home/u/.words", "/home/u/.words"},
        {"/home/u/words.", "/home/u/words."},
        {"words", "words.txt"},
        {"/home/u/", "/home/u/"},
    };
    for (const auto& [chosen, used] : cases) EXPECT_EQ(WithTextExtension(chosen), used) << chosen;
}

}  // namespace
}  // namespace wk::textfile
