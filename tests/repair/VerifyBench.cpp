// What the check after a repair costs the engine itself, beyond the server's time: over 200 suspect
// databases, the span from the check's start to its cell being written, less the time the simulator
// took to answer the check; and the statements a run sends with the check off and on. Expected: one
// more statement (one round trip) per row and a few microseconds of the engine's own work.
#include "BenchSupport.h"

#include <algorithm>

namespace {

struct CheckWatch : bench::Watch {
    void Verifying(int, const std::string&) override { started = bench::Clock::now(); }
    void Verified(int, const std::string&) override {
        own += (bench::Clock::now() - started) - conn->last;
        server += conn->last;
        ++checks;
    }
    bench::Clock::time_point started;
    bench::Clock::duration own{}, server{};
    int checks = 0;
};

} // namespace

int main() {
    constexpr int kRows = 200, kRuns = 5;
    const bench::RunFigures off = bench::RunOnce(kRows, false);
    double bestOwn = 0, server = 0;
    long statements = 0;
    for (int run = 0; run < kRuns; ++run) {
        CheckWatch watch;
        const bench::RunFigures on = bench::RunOnce(kRows, true, &watch);
        if (!off.ok || !on.ok || watch.checks != kRows) return 1;
        const double own = std::chrono::duration<double, std::micro>(watch.own).count() / kRows;
        if (run == 0 || own < bestOwn) {
            bestOwn = own;
            server = std::chrono::duration<double, std::micro>(watch.server).count() / kRows;
            statements = on.statements;
        }
    }
    std::printf("rows: %d, statements with the check off: %ld, on: %ld (%+.2f per row)\n", kRows, off.statements,
                statements, double(statements - off.statements) / kRows);
    std::printf("per check: %.1f us the simulator's answer, %.1f us the engine's own (best of %d runs)\n", server,
                bestOwn, kRuns);
    return 0;
}
