#pragma once

#include "diag/Diagnostics.h"

#include <cstdint>
#include <string>
#include <string_view>

// Where the reader of the default mode finds a problem in the file it
// reads: its line as the reader counts it (line feeds passed, from 0; -1:
// none), and where known the byte offset in the text read (after a UTF-8
// byte-order mark) or the name of the start tag on that line.
struct ReadPlace {
    int line = -1;
    std::int64_t offset = -1;
    std::string_view tag;
};

// What a run tells a companion program that checks it (xmlpp-check): the
// files it reads and the problems that do not stop it, and where it stops.
// The readers and both walkers report through a pointer to an observer,
// which is null in xmlpp: every report is guarded by a test of that
// pointer, so a run without an observer does exactly what it did before and
// pays nothing else.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // A file the run reads: its input or a file an include names (paths as
    // the run opens them). opened is false for a file that could not be
    // opened (error: its errno); the run may still go on (-xhtml includes).
    virtual void fileRead(const std::string& path, bool opened, int error) = 0;

    // From the default mode's reader: the bytes of the file last named to
    // fileRead, before they are parsed; a problem in that file that does not
    // stop the read (failed false), or the fault that fails it (failed true).
    virtual void textRead(std::string_view) {}
    virtual void readProblem(const ReadPlace&, const Diagnostic&, bool) {}
};
