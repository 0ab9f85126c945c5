// SPDX-License-Identifier: MIT
// Replacing a file only when its new content is complete, for every file the programs write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wk {

struct SafeWriteOptions {
    std::vector<std::string> keptFiles;  // never replaced (compared by device and inode)
    bool newSecond = false;  // the new file's mtime differs from the old one's in whole seconds
    // Removes leftover temporary files of an earlier, killed writer of the same target when
    // the writer opens. Only for a caller that holds the target's lock, so that no other
    // writer's temporary file is taken for a leftover.
    bool removeStaleTemporaries = false;
    // The access rights of a file that did not exist yet (the umask applies); a replaced
    // file keeps its own.
    unsigned newFileMode = 0666;
};

// Writes a new file beside the target (created with O_EXCL under a random name starting
// with "." + the target's name + ".wk-tmp-"), syncs it, renames it over the target and
// syncs the folder. A symbolic link at the path is kept and the file it points to replaced,
// except a link in a sticky folder that belongs neither to the user nor to the folder's
// owner, which is refused. Only a regular file is ever replaced. Messages are Japanese UTF-8.
class SafeFileWriter {
  public:
    SafeFileWriter(std::string path, SafeWriteOptions options = {});
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    ~SafeFileWriter();  // an uncommitted writer removes its temporary file

    bool Open(std::string* error);  // follows links (sticky-folder rule), refuses kept files
    bool Write(std::string_view bytes, std::string* error);
    bool Commit(std::string* error);                       // the target replaced
    const std::string& target() const { return target_; }  // the path replaced (links followed)

  private:
    void Discard();

    std::string path_;
    SafeWriteOptions options_;
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool existed_ = false;
    long long oldMtimeSeconds_ = 0;
};

bool WriteFileSafely(const std::string& path, std::string_view bytes,
                     const SafeWriteOptions& options, std::string* error);

// Follows the symbolic links of `path`, at its end and on the way, by the sticky-folder rule
// above. The path without links (which need not exist) in `target`; false with a message
// when a link is refused, the links loop, or a link cannot be read.
bool ResolveLinksSafely(const std::string& path, std::string* target, std::string* error);

// True when `path`, after following links, is one of `keptFiles` (same device and inode,
// or the same name in the same folder when either does not exist yet).
bool IsKeptFile(const std::string& path, const std::vector<std::string>& keptFiles);

// Removes the temporary files a killed writer of `target` left behind (regular files of
// this user with the writer's prefix). Returns how many were removed.
int RemoveStaleTemporaries(const std::string& target);

// Reads until `size` bytes or the end of the file, retrying interrupted and partial reads,
// so that a short count means the end. -1 on a read error (errno says which).
std::int64_t ReadFully(int fd, void* block, std::size_t size);

// Opens `path` for reading only when it is a regular file: a FIFO, device or folder is
// never opened in a way that could block or act. Returns the descriptor (close-on-exec)
// or -1, with errno set (ENOENT when there is no file; EINVAL for one not regular).
int OpenRegularFileForReading(const std::string& path);

}  // namespace wk
