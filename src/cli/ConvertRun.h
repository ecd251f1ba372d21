#pragma once

#include "cli/ConvertOptions.h"

#include <QStringList>
#include <cstdio>

// Exit statuses of tessaly-convert.
enum ConvertExit {
    ExitAllWritten = 0,  // every picture was written
    ExitSomeSkipped = 1, // an argument was skipped, a picture did not load, an existing
                         // file was kept (--no-replace), or an output was a picture of the run
    ExitUsage = 2,       // the command line was not understood, or its output folder is not there
    ExitWriteFailed = 3, // an output file could not be written, or another error stopped the
                         // conversion; the run ends there, saying how many pictures it left.
                         // Also a run whose list or messages could not all be written out.
    // A run stopped by SIGINT, SIGTERM or SIGHUP ends with 128 + the signal's number.
};

// One automatic run of the wizard without a window: queues the pictures in the order
// given, then drives the step engine with the wizard's own processing, answering its
// pages as the options say. Listed outputs go to `out` (unless quiet); warnings, the
// loader's messages, errors and the progress line (when `showProgress`) go to `err`.
// Returns the exit status.
int RunConversion(const TConvertOptions& options, std::FILE* out, std::FILE* err,
                  bool showProgress);

// The whole program: parses the arguments (without the program name) and runs.
int ConvertMain(const QStringList& arguments, std::FILE* out, std::FILE* err, bool errIsTerminal);
