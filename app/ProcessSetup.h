#pragma once

// The settings of the whole process that xmlpp and xmlpp-check make at
// start-up, before any thread starts:
// - the allocator keeps one heap for all threads;
// - SIGINT, SIGTERM and SIGHUP remove the run's named temporary files
//   before they end the process (io/TerminationSignals.h).
void setUpProcess();
