#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Opening and reading the files a run reads: its input and the files its
// includes name, in both modes. Names are byte strings, used as given.

// Opens the input of a run for reading: any file but a directory (which
// would open and yield no bytes); a FIFO waits for its writer. Returns a
// descriptor (close-on-exec), or -1 when the file cannot be read.
int openInputFile(const std::string& path);

// Opens a file named by an include directive, whatever it designates
// (regular file, device, FIFO, socket), except a directory. A FIFO is opened
// without waiting for a writer: one that has none reads as empty at once,
// one whose writer has it open is read up to its end. Returns a descriptor
// for blocking reads (close-on-exec), or -1 when the file cannot be read.
int openIncludeFile(const std::string& path);

// How readBounded learns how much a file holds. Either way, a regular file
// that reports a size is read from its start up to that size (the size it
// has when the read begins), into memory the caller owns: what the run
// works on is a snapshot of the file, whatever happens to it afterwards.
enum class FileSizing {
    // Seeking to its end. A device that reports no size (/dev/null,
    // /dev/zero) reads as empty; a file that cannot seek (a FIFO) is read up
    // to its end instead.
    Seek,
    // Reading up to its end, whatever the file.
    ReadToEnd,
};

// What readBounded found.
struct FileRead {
    // The size of the file: as seeking found it, or the bytes read up to
    // the end (for a file read past maxBytes, a count above maxBytes).
    std::uint64_t fileBytes = 0;
    // The bytes stored; fewer than the size asked for when the file ended
    // early or carriage returns were dropped.
    std::size_t storedBytes = 0;
    // More than maxBytes: nothing was stored.
    bool tooLarge = false;
    // A regular file whose size changed while it was read (someone else
    // wrote it): what was stored is no version of the file.
    bool sizeChanged = false;
};

// Reads the whole open file into the memory that storage(size) provides
// (asked once, for the bytes to store), unless it holds more than maxBytes.
// A file read up to its end is read in blocks of 64 KiB and stops at the
// first block past maxBytes, so that a pipe or a device that never ends does
// not hold the run. With dropCarriageReturns every CR byte is left out as it
// is read (what a read in Qt's text mode does); a file read up to its end
// then counts only the bytes kept.
FileRead readBounded(int descriptor, std::uint64_t maxBytes, FileSizing sizing,
                     const std::function<char*(std::size_t)>& storage, bool dropCarriageReturns = false);

// For test programs only (tests/support/PausingDriver.cpp); the installed
// programs leave it null. Called when a regular file has been sized, before
// a byte of it is read.
extern void (*regularFileSizedForTests)();
