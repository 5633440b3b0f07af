#pragma once

// Running other programs and reading their output.
//
// StartProgram starts an executable as a child process. The flags choose what
// the caller gets:
//  - RunWaitForEnd: the call returns after the child has ended;
//  - RunKeepObject: the result is a program object (below); without it the
//    result is 1 and nothing is kept. A start with neither flag is detached:
//    the child runs on its own, is not ours, and leaves no zombie behind;
//  - with RunKeepObject only: RunReadOutput (the child's standard output comes
//    to us through a pipe), RunWriteInput (its standard input is a pipe held by
//    the object, which nothing writes to: the child sees no input until the
//    object is closed), RunReadErrors (its standard error comes to us and its
//    newest bytes are kept, see ProgramErrorText).
// A failure (program not found or not executable, PATH not set, a name,
// argument or folder that cannot be converted, more than kMaxProgramArguments
// arguments in the text form, no pipe, process or thread to be had) gives 0.
//
// The program is found as FindProgram (ProgramPath.h) describes; the child's
// first argument is the program name as given. A working folder that cannot be
// entered is ignored.
//
// Program objects: every child started with RunKeepObject and without
// RunWaitForEnd gets a waiter thread that reaps it when it ends. A program
// counts as running while it has unread output or, without RunReadOutput,
// until it has ended. The usual pattern is
//     while (ProgramIsRunning(p)) { if (ProgramHasOutput(p)) use(ReadProgramLine(p)); else sleep; }
//     CloseProgramObject(p);
// One thread at a time may use a given object; different objects may be used
// from different threads at once. Unknown handles (0, 1, closed objects) are
// ignored: queries give false, 0, -1 or the empty text.

#include "runtime/core/Text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sondrel::system {

inline constexpr int RunWaitForEnd = 1;
inline constexpr int RunKeepObject = 4;
inline constexpr int RunReadOutput = 8;
inline constexpr int RunWriteInput = 16;
inline constexpr int RunReadErrors = 32;

// 0 for a failed start, 1 for a start without RunKeepObject, else a program
// object.
using ProgramHandle = std::intptr_t;

// Starts `program` with the arguments split from `arguments` (see
// ArgumentSplitter.h) in `folder` (empty: the current folder).
ProgramHandle StartProgram(core::TextView program, core::TextView arguments = {},
                           core::TextView folder = {}, int flags = 0);
// The same with the arguments given one by one: each reaches the child
// exactly as given, whatever blanks or quotes it holds; `environment` adds
// "NAME=value" entries to the child's environment.
ProgramHandle StartProgram(core::TextView program, const std::vector<core::Text>& arguments,
                           core::TextView folder = {}, int flags = 0,
                           const std::vector<std::string>& environment = {});

// See above. A program without an output pipe counts as running until it has
// ended; one with an output pipe until its output has ended and been read,
// and then the call waits for the child's end before it gives false.
bool ProgramIsRunning(ProgramHandle program);
// Bytes of standard output that can be read without waiting (0 without
// RunReadOutput).
std::int64_t ProgramHasOutput(ProgramHandle program);
// The next line of standard output without its line feed, decoded from UTF-8
// as OutputLine.h describes. Waits for a whole line or the end of the output;
// at the end of the output the result is the empty text.
core::Text ReadProgramLine(ProgramHandle program);
// Closes the object's pipes and forgets it; returns at once. A child that
// still runs is left running (it sees its pipes closed) and is reaped by its
// waiter when it ends; use KillProgram first to end it.
void CloseProgramObject(ProgramHandle program);

// Ends the object's child if it still runs: SIGTERM, then SIGKILL when it has
// not ended after `graceMilliseconds`. Returns once the child has ended and
// been reaped (true), or false for an unknown handle. The object stays open.
bool KillProgram(ProgramHandle program, int graceMilliseconds = 2000);
// The child's exit status (0 to 255), 1 when it was ended by a signal, -1
// while it runs or for an unknown handle.
int ProgramExitCode(ProgramHandle program);
// The last bytes (up to 10240) the child wrote to standard error, decoded like
// output lines and joined with line feeds; empty without RunReadErrors.
core::Text ProgramErrorText(ProgramHandle program);

// End of program: closes every program object still open.
void CloseAllProgramObjects();

} // namespace sondrel::system
