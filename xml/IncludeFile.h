#pragma once

#include <string>

// Opens a file named by an include directive, whatever it designates
// (regular file, device, FIFO, socket), except a directory. A FIFO is opened
// without waiting for a writer: one that has none reads as empty at once,
// one whose writer has it open is read up to its end. Returns a descriptor
// for blocking reads (close-on-exec), or -1 when the file cannot be read.
int openIncludeFile(const std::string& path);

// The size of an open file as seeking to its end finds it, with the
// position moved back to the start (0 for a device that reports no size,
// such as /dev/zero); -1 for a file that cannot seek (a FIFO), which is
// read up to its end instead.
long long seekableSize(int descriptor);
