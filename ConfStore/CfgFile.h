// File access of the store: owned FILE handles, whole-record reads, the common header, and the
// atomic replacement of a file.
#pragma once

#include "ZvStruct.h"

#include <memory>
#include <stdio.h>
#include <string>

namespace zvcs {

struct FileCloser {
    void operator()(FILE* f) const { (void)fclose(f); }
};
using CfgFileHandle = std::unique_ptr<FILE, FileCloser>;

// Opens a regular file for binary reading (close-on-exec); null when it cannot be opened. A FIFO,
// device or folder in its place is refused with a log line: it would block the reading thread
// for good, or never end. A symbolic link is followed (one level, to a regular file) only when
// root or this process's own user made it, as an installation or a test folder links in the
// shipped files; one the desktop user put in the root core's way is refused (logged).
CfgFileHandle open_read(const char* path);

// The same for a per-model file, which the desktop user's settings folder holds and the root core
// both reads and replaces: a symbolic link there is never followed, whoever made it.
CfgFileHandle open_read_nofollow(const char* path);

// Reads up to n bytes into buf; returns how many arrived (a short count at the end of the file).
size_t read_some(FILE* f, void* buf, size_t n);

// True only when all n bytes arrived.
inline bool read_whole(FILE* f, void* buf, size_t n) {
    return read_some(f, buf, n) == n;
}

// The header every writer puts in front of its records.
ZvCfgFileHead make_head(th_u32 size, th_u32 len);

// Writes a file under a temporary name in the target's folder and renames it over the target
// only when every byte reached the disk, so that a reader in another process (the core and the
// settings application share the per-model files) sees the old file or the new one, never a
// part, and a crash or a full disk mid-write keeps the old file. The temporary file takes the
// old file's permissions (and owner, when we are root) so that the other process can still use
// it; set-id and sticky bits are never carried over. A target that is a symbolic link, FIFO,
// device or folder is refused (logged): the rename would replace a link rather than write through
// it, but its owner and mode must not be copied either, nor a device silently turned into a file.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();

    // False when the target is refused (logged) or the temporary file cannot be created (errno is
    // kept).
    bool open(const char* target);
    FILE* get() const { return _file.get(); }
    int fd() const;

    // Writes n bytes; false on a short write.
    bool write(const void* buf, size_t n);

    // Flush, fsync, close and rename over the target. False (temporary removed, target untouched)
    // when any step fails.
    bool commit();

private:
    CfgFileHandle _file;
    std::string _target;
    std::string _temp;
};

} // namespace zvcs
