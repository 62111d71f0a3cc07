#pragma once

namespace workflow {

// How simple workflows route their plain mouse rows, the hot path of every dispatch:
// - Learnt (GCC builds only): each handled type learns, on its first untraced route, the code its mouse
//   handler reaches on the workflow, and each workflow whether it keeps the default TraceMouseAndKeys;
//   later routes jump to that code and skip asking TraceMouseAndKeys while nobody listens.
// - Plain: every route asks TraceMouseAndKeys while tracing is on and calls the handler through its
//   member pointer.
// Both route every message the same way, with the same trace lines and handler calls. Learnt is the
// default where it is available. Switched only by the benchmark that compares them and by the tests that
// run both, before any workflow routes a message. Any thread.
enum class MouseRouting { Plain, Learnt };
void SetMouseRouting(MouseRouting routing);
MouseRouting GetMouseRouting();
// Whether this build has the learnt routing at all. Any thread.
constexpr bool LEARNT_MOUSE_ROUTING_AVAILABLE =
#if defined(__GNUC__) && !defined(__clang__)
    true;
#else
    false;
#endif

}  // namespace workflow
