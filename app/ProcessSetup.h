#pragma once

// The settings of the whole process, made in one place at start-up, before
// any thread starts, by every program that runs the driver (xmlpp,
// xmlpp-check, the tests' xmlpp_paused and bench/stack_probe):
// - the allocator keeps one heap for all threads;
// - SIGINT, SIGTERM and SIGHUP remove the run's named temporary files
//   before they end the process (io/TerminationSignals.h);
// - Qt's hash seed is fixed, whatever the environment says;
// - Qt's own messages are dropped.
void setUpProcess();
