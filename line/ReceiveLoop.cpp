#include "line/ReceiveLoop.h"

#include <atomic>

#include "line/FrameReader.h"
#include "line/FrameRouter.h"

namespace tulex {
namespace {

std::atomic<int> runningLoops{0};

}  // namespace

int RunningReceiveLoops() { return runningLoops.load(); }

void RunReceiveLoop(Port& port, LineEvents& events) {
    struct Running {
        Running() { ++runningLoops; }
        ~Running() { --runningLoops; }
    } running;
    FrameReader reader;
    std::uint8_t byte = 0;
    while (port.IsOpen()) {
        if (port.ReadByte(byte)) {
            if (!reader.InFrame()) events.OnFrameStart();
            if (reader.Feed(byte)) RouteFrame(reader, events);
            continue;
        }
        // Nothing waiting: sleep until a byte, the close or a hang-up.
        if (port.WaitForInput(-1) == Port::WaitState::Gone) {
            if (port.IsOpen()) events.OnPortGone();
            return;
        }
    }
}

}  // namespace tulex
