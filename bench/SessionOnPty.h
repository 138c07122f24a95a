#pragma once
// The engine's session on a pseudo-terminal whose other side a line model
// plays, with the monitor open as while commissioning: what the benchmarks
// of whole commands on a paced line start from. The line model is built on
// the pty and the line's speed (0: it answers at once, unpaced, and the
// port runs at 115200).

#include <benchmark/benchmark.h>

#include <string>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "tests/support/Pty.h"
#include "tests/support/RecordingView.h"

namespace tulex::bench {

// The speed the port is set to for a line of `speed` (0: unpaced).
inline std::string PortSpeed(int speed) { return speed > 0 ? std::to_string(speed) : "115200"; }

template <class LineModel>
struct SessionOnPty {
    explicit SessionOnPty(int speed) : line(pty, speed) {
        session.monitor().SetWindowExists(true);
        session.OpenPort(pty.slavePath(), PortSpeed(speed));
    }

    // True when the port is open; otherwise the benchmark is skipped, saying why.
    bool Opened(benchmark::State& state) {
        if (session.IsPortOpen()) return true;
        state.SkipWithError("no pseudo-terminal");
        return false;
    }

    test::Pty pty;
    LineModel line;
    QueueDispatcher dispatcher;
    test::RecordingView view;
    LineSession session{view, dispatcher};
};

}  // namespace tulex::bench
