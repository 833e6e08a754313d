// Linked into the tools built against the simulator: a command-line program
// has no test to move the simulated clock, so its clock follows real time
// while it waits, and its time limits (the HTTP client's 30 s) hold as they
// do on Windows.
#include "platform/sim/simulator.h"

namespace {

const bool clockFollowsRealTime = [] {
    sim::SetClockFollowsRealTime(true);
    return true;
}();

} // namespace
