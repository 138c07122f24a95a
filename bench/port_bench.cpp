// The port's receive side: the cost of one SerialPort::ReadByte, how many times
// an idle receive wait wakes up, and how fast it notices a close.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

#include "serial/SerialPort.h"
#include "tests/support/Pty.h"

namespace {

using namespace std::chrono_literals;
using tulex::SerialPort;

// Voluntary context switches of one thread: each is a wake-up after a sleep.
long VoluntarySwitches(pid_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/status");
    std::string key;
    while (in >> key) {
        if (key == "voluntary_ctxt_switches:") {
            long v = 0;
            in >> v;
            return v;
        }
    }
    return -1;
}

// Bytes per second through ReadByte, with the line side keeping the queue full.
void BM_ReadByte(benchmark::State& state) {
    tulex::test::Pty pty;
    SerialPort port;
    if (port.Open(pty.slavePath()) != tulex::PortError::None || port.Configure("115200") != tulex::PortError::None) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const std::string block(4096, 'x');
    std::uint8_t byte = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pty.Send(block);
        state.ResumeTiming();
        std::size_t got = 0;
        while (got < block.size()) {
            if (port.ReadByte(byte))
                ++got;
            else
                port.WaitForInput(100);
        }
        bytes += static_cast<std::int64_t>(got);
    }
    state.SetBytesProcessed(bytes);
    state.SetItemsProcessed(bytes);  // one item = one ReadByte call that stored a byte
}
BENCHMARK(BM_ReadByte)->Unit(benchmark::kMicrosecond);

// Wake-ups per second of a receive loop on an idle line.
void BM_IdleWakeupsPerSecond(benchmark::State& state) {
    tulex::test::Pty pty;
    SerialPort port;
    if (port.Open(pty.slavePath()) != tulex::PortError::None || port.Configure("9600") != tulex::PortError::None) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    for (auto _ : state) {
        std::atomic<pid_t> tid{0};
        std::atomic<long> loops{0};
        std::thread reader([&] {
            tid = static_cast<pid_t>(syscall(SYS_gettid));
            std::uint8_t b = 0;
            while (port.IsOpen()) {
                if (!port.ReadByte(b)) port.WaitForInput(-1);
                ++loops;
            }
        });
        while (tid == 0) std::this_thread::yield();
        std::this_thread::sleep_for(50ms);
        const long before = VoluntarySwitches(tid);
        const long loopsBefore = loops;
        std::this_thread::sleep_for(1s);
        const long after = VoluntarySwitches(tid);
        state.counters["wakeups_per_s"] = static_cast<double>(after - before);
        state.counters["loops_per_s"] = static_cast<double>(loops - loopsBefore);
        port.Close();
        reader.join();
        port.Open(pty.slavePath());
        port.Configure("9600");
    }
}
BENCHMARK(BM_IdleWakeupsPerSecond)->Iterations(2)->Unit(benchmark::kMillisecond);

// Time from Close to the waiting receive loop having returned.
void BM_CloseNoticed(benchmark::State& state) {
    tulex::test::Pty pty;
    SerialPort port;
    for (auto _ : state) {
        state.PauseTiming();
        if (port.Open(pty.slavePath()) != tulex::PortError::None || port.Configure("9600") != tulex::PortError::None) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        std::atomic<bool> waiting{false};
        std::atomic<std::int64_t> endedNs{0};
        std::thread reader([&] {
            waiting = true;
            port.WaitForInput(-1);
            endedNs = std::chrono::steady_clock::now().time_since_epoch().count();
        });
        while (!waiting) std::this_thread::yield();
        std::this_thread::sleep_for(5ms);
        state.ResumeTiming();
        const auto closedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        port.Close();
        reader.join();
        state.SetIterationTime(static_cast<double>(endedNs - closedAt) / 1e9);
    }
}
BENCHMARK(BM_CloseNoticed)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

}  // namespace
