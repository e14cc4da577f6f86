#pragma once

// The command-line entry point: checks the arguments, runs the default or
// the -xhtml mode, and turns every failure into a message on standard error
// and exit status 1. Returns the exit status of a successful run.
int runDriver(int argc, char** argv);
