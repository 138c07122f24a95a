#pragma once
// One row of scripts/bench's table: what a user sees, next to a reference
// measured in the same run, so that the ratio is what is read (the machine's
// speed and load cancel out). A benchmark reports it as three counters and a
// label:
//
//   ReportFigure(state, {"frames/s", value, "pty raw copy, frames/s", reference, "≥ 1 000 000"});
//
// value, ref and ratio (value / ref) land in the benchmark's counters; the
// label holds "unit | reference | goal", which scripts/bench splits.

#include <benchmark/benchmark.h>

#include <string>

namespace tulex::bench {

struct Figure {
    std::string unit;  // what the value counts ("frames/s", "ms", "wake-ups/s")
    double value = 0;
    std::string reference;  // what the reference is ("pty raw copy, frames/s")
    double ref = 0;
    std::string goal;  // the goal of issue 15 for the value, or "–"
};

inline void ReportFigure(benchmark::State& state, const Figure& figure) {
    state.counters["value"] = figure.value;
    state.counters["ref"] = figure.ref;
    state.counters["ratio"] = figure.ref != 0 ? figure.value / figure.ref : 0;
    state.SetLabel(figure.unit + " | " + figure.reference + " | " + figure.goal);
}

}  // namespace tulex::bench
