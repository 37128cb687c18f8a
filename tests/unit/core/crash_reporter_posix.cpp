#include "crash_reporter.h"

// internal_error_crash already writes its message to stderr before abort().
void report_crashes_on_stderr() {}
