// SPDX-License-Identifier: MIT
// Asking the user for a file: the requests of bulk registration and export, and the order
// in which the optional dialog library (gsgetfile.h) and the standard dialog are tried.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codec.h"
#include "foreign_formats.h"
#include "gsgetfile.h"

namespace wk::textfile {

enum class FileRequestKind { Open, Save };

// One entry of a request's filter list: the text shown and its patterns (UTF-8), several
// patterns separated by ";". "*.*" stands for every file.
struct FileFilter {
    std::string text;
    std::string patterns;
};

inline constexpr std::uint32_t kOpenRequestFlags = GS_FILE_MUST_EXIST | GS_FILE_HIDE_READONLY;
inline constexpr std::uint32_t kSaveRequestFlags = GS_FILE_OVERWRITE_PROMPT;
// The save request's filter that writes the export in UTF-8, counted from 1.
inline constexpr int kUtf8FilterIndex = 3;
// The filters that write the export for Microsoft IME and for Mozc.
inline constexpr int kMsImeFilterIndex = 4;
inline constexpr int kMozcFilterIndex = 5;

inline constexpr const char* kOpenTitle = "辞書ﾃｷｽﾄﾌｧｲﾙを開く";
inline constexpr const char* kSaveTitle = "辞書ﾃｷｽﾄﾌｧｲﾙを保存";
inline constexpr const char* kDialogLibraryName = "libgsgetfile.so";

// What is asked, and what the dialog answered. All texts are UTF-8.
struct FileRequest {
    FileRequestKind kind = FileRequestKind::Open;
    std::uint64_t ownerWindow = 0;
    std::vector<FileFilter> filters;
    int filterIndex = 0;  // in: the filter at the start, from 1 (0: the first);
                          // out: the filter chosen, from 1
    std::string file;     // out: the chosen path, absolute
    std::string initialDir;
    std::string title;
    std::uint32_t flags = 0;
};

// The open request of bulk registration: an existing file, text files or all files.
FileRequest OpenTextRequest(std::string initialDir);
// The save request of the export: the same filters, a third one for UTF-8, and one each for
// Microsoft IME and Mozc.
FileRequest SaveTextRequest(std::string initialDir);

// The encoding of an export whose save request ended with filter `filterIndex`.
OutputEncoding EncodingOfFilter(int filterIndex);
// The format of that export: our own unless the filter is one of another input method's.
ExportFormat FormatOfFilter(int filterIndex);

// `path` with ".txt" appended when its file name, the part behind the last "/", holds no
// "." (a "." in a folder above does not count). A path that ends in "/" is returned as it is.
std::string WithTextExtension(const std::string& path);

// Where the dialog library is looked for, in order: next to the program (when
// `programFolder` is absolute), then the system's search by bare name. When
// `ldLibraryPath` (the value of LD_LIBRARY_PATH, nullptr when unset) holds an entry that
// the loader would take relative to the current folder (empty, relative, or "$ORIGIN"-like),
// its absolute entries are listed one by one in place of the bare name.
std::vector<std::string> DialogLibraryCandidates(const std::string& programFolder,
                                                 const char* ldLibraryPath);

// Shows a standard dialog for a request; 1 when a file was chosen (set in `file`).
using StandardDialog = std::function<int(FileRequest&)>;

// The first of `libraries` that can be loaded is the dialog library: when it exports
// gsGetOpenFileName its result is returned (1 only with an absolute path, anything else
// meaning cancelled), and the library is released right after. When it lacks the export,
// or none loads, the standard dialog answers.
int DoGetOpenFileName(FileRequest& request, const std::vector<std::string>& libraries,
                      const StandardDialog& standard);
// The same with gsGetSaveFileName.
int DoGetSaveFileName(FileRequest& request, const std::vector<std::string>& libraries,
                      const StandardDialog& standard);

}  // namespace wk::textfile
