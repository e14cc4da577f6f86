#pragma once

#include <string>

// What a run tells a companion program that checks it (xmlpp-check): the
// files it reads and the problems that do not stop it. The readers and both
// walkers report through a pointer to an observer, which is null in xmlpp:
// every report is guarded by a test of that pointer, so a run without an
// observer does exactly what it did before and pays nothing else.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // A file the run reads: its input or a file an include names (paths as
    // the run opens them). opened is false for a file that could not be
    // opened; the run may still go on (-xhtml includes).
    virtual void fileRead(const std::string& path, bool opened) = 0;

    // A problem at a place: the file that holds it and the 1-based line.
    virtual void warning(const std::string& file, int line, const std::string& text) = 0;
};
