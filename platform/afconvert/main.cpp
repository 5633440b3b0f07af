// afconvert: converts audio files, with the command line of the tool of
// that name. The last line on standard output says "done" once the output
// file is complete; every failure is one line on standard error and exit
// status 1, with no output file left behind.

#include "platform/afconvert/CommandLine.h"

int main(int argc, char** argv) {
    return sondrel::afconvert::RunCommandLine(argc, argv);
}
