#pragma once
// For death tests: makes a crashing child process say why on stderr, on every platform
// (Windows: an unhandled-exception filter that prints the exception code, as the
// program's own crash handler would see it, and exits instead of calling a debugger).
void report_crashes_on_stderr();
