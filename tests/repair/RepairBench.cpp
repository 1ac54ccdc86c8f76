// A repair run over 200 suspect databases on the in-process simulator. Prints the wall time of the run
// and the time per row spent outside the simulator (the engine's own work: texts, file checks, moves).
#include "BenchSupport.h"

int main() {
    constexpr int kRows = 200;
    const bench::RunFigures f = bench::RunOnce(kRows, false);
    if (!f.ok) return 1;
    std::printf("rows: %d, statements: %ld, summary: %s\n", kRows, f.statements, f.summary.c_str());
    std::printf("total: %.1f ms, inside the simulator: %.1f ms, outside per row: %.1f us\n", f.totalMs, f.insideMs,
                (f.totalMs - f.insideMs) * 1000 / kRows);
    return 0;
}
