#pragma once

namespace sondrel::afconvert {

// afconvert's whole run for one command line (argv[0] is the program's
// name): parses the options, converts one file, reports on standard output
// and error, and returns the exit status. The program's main() is this, and
// the batch server runs exactly this in each child it forks, so a file
// converted either way sees the same conversion, messages and status.
int RunCommandLine(int argc, char** argv);

} // namespace sondrel::afconvert
