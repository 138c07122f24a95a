// The port's receive side: how fast bytes that cross a real pty come through
// the port (next to the pty's own raw copy speed), how many times an idle
// receive wait wakes up, and how fast it notices a close.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "bench/Figure.h"
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

// The line side of a pty: writes `total` bytes as fast as the pty takes
// them, from a thread of its own, once started.
class PtyWriter {
public:
    PtyWriter(int masterFd, std::size_t total) : fd_(masterFd), total_(total) {}
    ~PtyWriter() {
        if (thread_.joinable()) thread_.join();
    }
    void Start() {
        thread_ = std::thread([this] {
            const std::string block(65536, 'x');
            std::size_t done = 0;
            while (done < total_) {
                const ssize_t n = ::write(fd_, block.data(), std::min(block.size(), total_ - done));
                if (n > 0) {
                    done += static_cast<std::size_t>(n);
                    continue;
                }
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        });
    }

private:
    int fd_;
    std::size_t total_;
    std::thread thread_;
};

constexpr std::size_t kCopyBytes = 32 << 20;

// The reference: what the pty itself moves, read as `cat` reads it (large
// reads, a poll when it is empty), in bytes per second.
double RawPtyBytesPerSecond() {
    tulex::test::Pty pty;
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    PtyWriter writer(pty.masterFd(), kCopyBytes);
    std::vector<char> buffer(1 << 17);
    std::size_t got = 0;
    const auto start = std::chrono::steady_clock::now();
    writer.Start();
    while (got < kCopyBytes) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 100);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    return static_cast<double>(got) / seconds;
}

// Bytes that cross a real pty and are taken by the port one ReadByte at a
// time (waiting in WaitForInput when it is empty), as the receive loop
// takes them, next to the pty's raw copy speed measured in the same run.
void BM_ReadThroughPty(benchmark::State& state) {
    double port = 0;
    double raw = 0;
    for (auto _ : state) {
        raw = RawPtyBytesPerSecond();
        tulex::test::Pty pty;
        SerialPort serial;
        if (serial.Open(pty.slavePath()) != tulex::PortError::None ||
            serial.Configure("115200") != tulex::PortError::None) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        PtyWriter writer(pty.masterFd(), kCopyBytes);
        std::uint8_t byte = 0;
        std::size_t got = 0;
        const auto start = std::chrono::steady_clock::now();
        writer.Start();
        while (got < kCopyBytes) {
            if (serial.ReadByte(byte))
                ++got;
            else
                serial.WaitForInput(100);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        port = static_cast<double>(got) / seconds;
        benchmark::DoNotOptimize(byte);
    }
    state.counters["port_MB_per_s"] = port / 1e6;
    state.counters["raw_pty_MB_per_s"] = raw / 1e6;
    tulex::bench::ReportFigure(state, {"MB/s through the port", port / 1e6, "pty raw copy, MB/s", raw / 1e6, "-"});
}
BENCHMARK(BM_ReadThroughPty)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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
