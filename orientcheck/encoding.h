// The orientation benchmark: an orientation F of the edges, vertex weights W
// falling along every arc (so no directed cycle), the reachability relation R
// of the oriented graph, and for every pair the condition that makes each
// shortcut transitive.
#pragma once

namespace wordrep {

// Writes the benchmark for the current N and A into R, piece by piece.
void write_orientation_benchmark();

} // namespace wordrep
