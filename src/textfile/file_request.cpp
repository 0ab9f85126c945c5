// SPDX-License-Identifier: MIT
#include "file_request.h"

#include <dlfcn.h>

#include <cstring>

namespace wk::textfile {

namespace {

std::vector<FileFilter> TextFilters() {
    return {{"ﾃｷｽﾄﾌｧｲﾙ (*.txt)", "*.txt"}, {"全てのﾌｧｲﾙ (*.*)", "*.*"}};
}

// The filter list as one block: text, NUL, patterns, NUL for each, then one more NUL.
std::string FilterBlock(const std::vector<FileFilter>& filters) {
    std::string block;
    for (const FileFilter& filter : filters) {
        block += filter.text;
        block += '\0';
        block += filter.patterns;
        block += '\0';
    }
    block += '\0';
    return block;
}

int CallLibrary(GsGetFileNameFunction function, FileRequest& request) {
    const std::string filter = FilterBlock(request.filters);
    std::vector<char> file(GS_FILE_MAX_PATH, '\0');

    GsFileRequest c{};
    c.structSize = sizeof(GsFileRequest);
    c.version = GS_FILE_REQUEST_VERSION;
    c.ownerWindow = request.ownerWindow;
    c.filter = filter.data();
    c.filterIndex = static_cast<std::uint32_t>(request.filterIndex);
    c.file = file.data();
    c.fileSize = static_cast<std::uint32_t>(file.size());
    c.initialDir = request.initialDir.c_str();
    c.title = request.title.c_str();
    c.flags = request.flags;

    const int result = function(&c);
    if (result != 1) return result;
    // A choice must be a terminated, absolute path; anything else is taken as none.
    const void* end = std::memchr(file.data(), '\0', file.size());
    if (end == nullptr || file[0] != '/') return 0;
    request.file.assign(file.data());
    request.filterIndex = static_cast<int>(c.filterIndex);
    return 1;
}

int RunRequest(FileRequest& request, const char* exportName,
               const std::vector<std::string>& libraries, const StandardDialog& standard) {
    for (const std::string& candidate : libraries) {
        void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) continue;
        auto function = reinterpret_cast<GsGetFileNameFunction>(::dlsym(library, exportName));
        if (function == nullptr) {
            ::dlclose(library);
            break;
        }
        const int result = CallLibrary(function, request);
        ::dlclose(library);
        return result;
    }
    return standard ? standard(request) : 0;
}

}  // namespace

FileRequest OpenTextRequest(std::string initialDir) {
    FileRequest request;
    request.kind = FileRequestKind::Open;
    request.filters = TextFilters();
    request.initialDir = std::move(initialDir);
    request.title = kOpenTitle;
    request.flags = kOpenRequestFlags;
    return request;
}

FileRequest SaveTextRequest(std::string initialDir) {
    FileRequest request;
    request.kind = FileRequestKind::Save;
    request.filters = TextFilters();
    request.filters.push_back({"UTF-8 ﾃｷｽﾄﾌｧｲﾙ (*.txt)", "*.txt"});
    request.filters.push_back({"Microsoft IME 用ﾃｷｽﾄﾌｧｲﾙ (*.txt)", "*.txt"});
    request.filters.push_back({"Mozc 用ﾃｷｽﾄﾌｧｲﾙ (*.txt)", "*.txt"});
    request.initialDir = std::move(initialDir);
    request.title = kSaveTitle;
    request.flags = kSaveRequestFlags;
    return request;
}

OutputEncoding EncodingOfFilter(int filterIndex) {
    return filterIndex == kUtf8FilterIndex ? OutputEncoding::Utf8 : OutputEncoding::Cp932;
}

ExportFormat FormatOfFilter(int filterIndex) {
    return filterIndex == kMsImeFilterIndex  ? ExportFormat::MsIme
           : filterIndex == kMozcFilterIndex ? ExportFormat::Mozc
                                             : ExportFormat::Own;
}

std::string WithTextExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart == path.size()) return path;
    if (path.find('.', nameStart) != std::string::npos) return path;
    return path + ".txt";
}

std::vector<std::string> DialogLibraryCandidates(const std::string& programFolder,
                                                 const char* ldLibraryPath) {
    std::vector<std::string> candidates;
    if (!programFolder.empty() && programFolder[0] == '/') {
        candidates.push_back(programFolder + (programFolder.back() == '/' ? "" : "/") +
                             kDialogLibraryName);
    }
    // The loader reads ":" and ";" as separators, and an empty entry as the current folder.
    std::vector<std::string> absolute;
    bool unsafe = false;
    if (ldLibraryPath != nullptr && *ldLibraryPath != '\0') {
        std::string entry;
        for (const char* p = ldLibraryPath;; ++p) {
            if (*p == ':' || *p == ';' || *p == '\0') {
                if (!entry.empty() && entry[0] == '/') {
                    absolute.push_back(entry + "/" + kDialogLibraryName);
                } else {
                    unsafe = true;
                }
                entry.clear();
                if (*p == '\0') break;
            } else {
                entry.push_back(*p);
            }
        }
    }
    if (unsafe) {
        candidates.insert(candidates.end(), absolute.begin(), absolute.end());
    } else {
        candidates.push_back(kDialogLibraryName);
    }
    return candidates;
}

int DoGetOpenFileName(FileRequest& request, const std::vector<std::string>& libraries,
                      const StandardDialog& standard) {
    return RunRequest(request, "gsGetOpenFileName", libraries, standard);
}

int DoGetSaveFileName(FileRequest& request, const std::vector<std::string>& libraries,
                      const StandardDialog& standard) {
    return RunRequest(request, "gsGetSaveFileName", libraries, standard);
}

}  // namespace wk::textfile
