#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The bytes of a regular file mapped into memory, private and writable:
// reading a large input this way copies and zeroes nothing. A page the
// reader changes (it decodes references in place) becomes this process's
// own copy; the file never sees the change.
//
// The bytes stay valid only while the file keeps its size: touching a page
// that a file cut short by someone else no longer holds raises SIGBUS. A
// handler, installed with the first mapping, puts zero-filled memory in
// place of the rest of that mapping and notes it, so that the run goes on
// to a clear error instead of a crash (see shrank()). A SIGBUS anywhere
// else is handed to the action that was there before.
class FileMapping {
public:
    // The sizes of file worth mapping; others are read. Below the lower
    // bound, mapping and unmapping cost more than copying. From the upper
    // bound on, the memory a file is read into is backed by 2 MiB pages,
    // whose few faults cost less than a first touch of every 4 KiB page of
    // a mapping (measured on the 100 MB pass-through: 0.225 s read, 0.264 s
    // mapped; 10 MB: the same time either way; 1 MB: 27 and 24 ms).
    static constexpr std::size_t SmallestMappedBytes = std::size_t(64) << 10;
    static constexpr std::size_t LargestMappedBytes = std::size_t(8) << 20;
    // Mappings that may exist at once in a process (each holds a
    // descriptor, to check the file's size at the end); more files are read.
    static constexpr std::size_t MaxMappings = 64;

    // Maps the first `size` bytes (at least one) of the open regular file.
    // Null when that is not possible; the caller then reads the file.
    static std::unique_ptr<FileMapping> map(int descriptor, std::size_t size);

    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    char* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Whether path names the mapped file (the same device and inode).
    bool isFileAt(const std::string& path) const;

    // Whether the file lost bytes that are mapped while it was: a page past
    // its new end was touched (and read as zeros), or it is shorter now.
    bool shrank() const;

    // Puts private memory holding the same bytes in place of the mapping,
    // at the same address: from then on nothing done to the file changes
    // them. For a file about to be written in place.
    void detach();

private:
    FileMapping(char* data, std::size_t size, std::size_t length, int descriptor, std::size_t slot);

    char* data_;
    std::size_t size_;
    std::size_t length_;  // size_ in whole pages
    int descriptor_;      // -1 once detached
    std::size_t slot_;    // in the table the SIGBUS handler reads
    bool shrankBeforeDetach_ = false;
};
