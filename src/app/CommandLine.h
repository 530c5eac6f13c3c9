#pragma once

#include <string>

namespace hl {

// The options of the window program.
struct CommandLine {
    bool help = false;  // --help, -h: print Usage() and end
    bool trace = false; // --trace: the table readers' trace lines on standard output
    std::string error;  // the first argument not understood; empty when all were
};

// Reads the arguments after the program name (those the GUI toolkit has not taken).
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The text `harborlight --help` prints.
const char* Usage();

} // namespace hl
