#pragma once

class RunHooks;

// The command-line entry point: checks the arguments, runs the default or
// the -xhtml mode, and turns every failure into a message on standard error
// and exit status 1. Returns the exit status of a successful run. The run
// takes place on a thread with a large stack (app/LargeStack.h). A program
// calls setUpProcess() (app/ProcessSetup.h) once before it runs the driver.
int runDriver(int argc, char** argv);

// The same run on the calling thread, whatever its stack; a companion
// program gives its hooks (app/RunHooks.h).
int runDriverOnThisThread(int argc, char** argv, RunHooks* hooks = nullptr);
