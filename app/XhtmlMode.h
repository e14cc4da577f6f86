#pragma once

class RunHooks;

// Runs the -xhtml form of the command line: argv[1] is "-xhtml", then the
// input file, the output file and an optional macro list. Returns the exit
// status (0, or 1 after printing "error: %s\n"); hooks as for
// runDriverOnThisThread.
int runXhtmlMode(int argc, char** argv, RunHooks* hooks = nullptr);
