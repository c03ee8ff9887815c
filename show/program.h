// The program's own logic around the runtime: the process start, the entry and exit routines and
// the two window-creation handlers.
#pragma once

#include "platform/platform.h"
#include "runtime/runtime.h"
#include "runtime/trace.h"

namespace love::show {

// Runs the whole program on this platform: wires the window descriptions, the handlers and the
// media services into a runtime, calls the entry routine and ends the process. Does not return
// (on the headless backend it ends in headless::Terminated).
[[noreturn]] void runProgram(platform::Platform& platform, runtime::DrawingTrace* trace = nullptr);

// The descriptions, handlers, platform functions and icon the program brings to its runtime.
runtime::ProgramDeclarations programDeclarations();

// Called once by the runtime; returns 0 when the message loop has ended.
int entryRoutine();
// Releases the program's arrays.
void exitRoutine();
// The start window's "created": loads the show window inside it.
void startWindowCreated();
// The show window's "created": full screen, the board sized, the outlines built, the colour key,
// the photo window and the show timer.
void showWindowCreated();

}  // namespace love::show
