#pragma once

#include <cstdio>
#include <string>

// An output file that appears only when everything was written.
//
// For a regular file, or a path that does not exist yet, the bytes go to a
// hidden temporary file in the same directory, which commit() renames over
// the target; a run that fails before commit leaves an existing file
// untouched and creates nothing. Devices, pipes and other special files,
// and every name in /dev or /proc, are written directly; /dev/stdout,
// /dev/stderr, /dev/fd/N and /proc/self/fd/N through a duplicate of the
// descriptor they name, so a shell's redirection (">>" included) is
// honoured. A symbolic link is followed,
// so the file it points to is replaced, not the link.
//
// A process may ask for unchanged targets to be kept: commit() then leaves
// a regular file whose bytes are the bytes written as it is (its time
// included, so that a build sees nothing new) and removes the temporary
// file. Files written directly are always written.
class SafeOutputFile {
public:
    // For every file committed from then on.
    static void keepUnchangedTargets(bool keep) { keepUnchanged_ = keep; }

    SafeOutputFile() = default;
    ~SafeOutputFile();
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;

    bool open(const std::string& path);
    std::FILE* file() const { return file_; }
    // Flushes, closes and moves the file into place; false when any write,
    // the close or the rename failed (the target is then left as it was).
    bool commit();

private:
    bool replaceTarget();
    void discard();

    static inline bool keepUnchanged_ = false;

    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temporary_;  // empty when writing directly
};
