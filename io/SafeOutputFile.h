#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

// An output file that appears only when everything was written.
//
// A regular file, or a name that does not exist yet, is written to a new
// file in the same folder that has no name while it is written (O_TMPFILE):
// commit() gives it a hidden name and swaps it with the target in one step.
// A run that ends before, by a failure or by any signal, leaves nothing
// behind. Where the file system cannot make a file without a name, a hidden
// named one (".NAME.XXXXXX") is used, recorded for the handlers of
// io/TerminationSignals.h. A symbolic link is followed, so the file it
// points to is replaced, not the link; a dangling one gets the file it
// names, made the same way.
//
// Devices, pipes and every name in /dev or /proc are written directly;
// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N through a
// duplicate of the descriptor they name, so that a shell's redirection
// (">>" included) is honoured.
//
// Where no file can be made in the folder (one the user may not write in)
// but the target itself may be written, it is written in place. Its length
// is reserved first: a disk without room for it makes every write fail and
// leaves the target untouched; a write that fails later leaves it empty
// and, where its owner allows, dated 1970-01-01, so that make and Ninja
// remake it.
//
// A process may ask for unchanged targets to be kept: commit() then leaves
// a regular file whose bytes are the bytes written as it is (its time
// included, so that a build sees nothing new) and removes the file it
// wrote. Files written directly or in place are always written.
class SafeOutputFile {
public:
    // For every file committed from then on.
    static void keepUnchangedTargets(bool keep) { keepUnchanged_ = keep; }

    SafeOutputFile();
    ~SafeOutputFile();
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;

    // length tells how many bytes will be written; it is asked only for a
    // file written in place (without it nothing is reserved).
    bool open(const std::string& path, const std::function<std::uint64_t()>& length = {});
    std::FILE* file() const { return file_; }
    // Flushes, closes and moves the file into place; false when any write,
    // the close or the move failed (the target is then left as it was,
    // except for a file written in place: see inPlaceNote()).
    bool commit();
    // Gives up a file that failed: removes what commit() would have moved
    // into place (nothing for a file already committed).
    void abandon() { discard(); }

    // After a failure: what became of a file written in place, as words to
    // add to the failure's message; empty when the target is as it was.
    std::string inPlaceNote() const;

private:
    enum class Route { Direct, Unnamed, Named, InPlace };
    enum class InPlaceEnd { Untouched, Emptied, EmptiedAndDated };

    bool startWriting(int descriptor, Route route);
    bool openTemporary(const std::string& folder, mode_t mode);
    bool openInPlace(const std::string& path, const std::function<std::uint64_t()>& length);
    bool nameAndReplace();
    bool replaceTarget(const std::string& finished);
    void endInPlaceAfterFailure();
    void discard();

    static inline bool keepUnchanged_ = false;

    std::FILE* file_ = nullptr;
    struct Sink;
    std::unique_ptr<Sink> sink_;  // what file_ writes through
    int descriptor_ = -1;
    Route route_ = Route::Direct;
    std::string target_;
    std::string temporary_;  // the recorded name of the Named route
    int recordSlot_ = -1;
    InPlaceEnd inPlaceEnd_ = InPlaceEnd::Untouched;
};

// For test programs only (tests/support/PausingDriver.cpp); the installed
// programs never change them. Called once the first block of an output
// (at most 1 MiB) has reached its file: null.
extern void (*firstOutputBlockWrittenForTests)();
// Whether a file without a name is tried before a named one: true.
extern bool unnamedTemporaryFilesForTests;
