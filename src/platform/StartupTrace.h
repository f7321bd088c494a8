#pragma once
// Start-up timestamps for profiling: with VELLUMO_TRACE_STARTUP set in the
// environment, each mark prints the milliseconds since the process started
// and a label to stderr ("vellumo: 123.4 ms  window shown"). Without it a
// mark costs one test of a flag. Safe to call from any thread.
namespace vellumo {

void TraceStartup(const char* label);

}  // namespace vellumo
