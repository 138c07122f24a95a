// The receive path through a real port, on Linux and on Windows alike: the
// engine (LineSession, monitor attached) on a port whose other side is
// tulex-sim. scripts/bench-windows runs it on both systems and prints the
// figures side by side.
//
//   line_bench PORT [--frames N] [--idle-seconds S] [--round-trips N] [--proc DIR]
//
// 1. Round trips: a poll frame to controller G on the bare port and its
//    acknowledgement back, one after the other.
// 2. Idle: the engine with the port open on a silent line for S seconds:
//    how often the receive loop woke up, how often the process's threads
//    were switched in (from Linux's /proc: /proc/self, or DIR; under Wine
//    /proc/self is the wineserver's, so scripts/bench-windows passes
//    Z:\proc\PID of the Wine process), the CPU time used.
// 3. Burst: prints "ready N" and waits for N card events (the driver then
//    types "burst N" into tulex-sim); frames per second from the first card
//    line in the monitor to the last.
// Results are "name value" lines on standard output.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "bench/NullView.h"
#include "serial/SerialPort.h"

namespace {

using namespace std::chrono_literals;
using namespace tulex;
using bench::NullView;
using Steady = std::chrono::steady_clock;

// The platform's port, counting how often the receive loop's wait returned.
class CountingPort final : public Port {
public:
    PortError Open(const std::string& name) override { return port_.Open(name); }
    PortError Configure(const std::string& speedText) override { return port_.Configure(speedText); }
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }
    bool IsGone() const override { return port_.IsGone(); }
    std::string Name() const override { return port_.Name(); }
    bool Write(std::string_view frame) override { return port_.Write(frame); }
    bool ReadByte(std::uint8_t& byte) override { return port_.ReadByte(byte); }
    WaitState WaitForInput(int timeoutMs) override {
        const WaitState state = port_.WaitForInput(timeoutMs);
        ++waits;
        return state;
    }
    std::atomic<long> waits{0};

private:
    SerialPort port_;
};

// CPU time of the whole process, user and system, in milliseconds.
double ProcessCpuMs() {
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;  // 100 ns units
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3 +
           usage.ru_stime.tv_usec / 1e3;
#endif
}

// Context switches of every thread of the process, from its /proc folder;
// nullopt where there is none (Windows itself).
std::optional<long> ThreadSwitches(const std::string& procDir) {
    if (procDir.empty()) return std::nullopt;
    std::error_code ec;
    long total = 0;
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator(std::filesystem::path(procDir) / "task", ec)) {
        std::ifstream in(task.path() / "status");
        std::string key;
        while (in >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                long v = 0;
                in >> v;
                total += v;
                any = true;
            }
        }
    }
    if (!any) return std::nullopt;
    return total;
}

void Print(const char* name, double value) { std::printf("%s %.3f\n", name, value); }

struct Options {
    std::string port;
    long frames = 20000;
    double idleSeconds = 3;
    int roundTrips = 200;
#if defined(_WIN32)
    std::string procDir;
#else
    std::string procDir = "/proc/self";
#endif
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--frames" && hasValue)
            options.frames = std::atol(args[++i].c_str());
        else if (args[i] == "--idle-seconds" && hasValue)
            options.idleSeconds = std::atof(args[++i].c_str());
        else if (args[i] == "--round-trips" && hasValue)
            options.roundTrips = std::atoi(args[++i].c_str());
        else if (args[i] == "--proc" && hasValue)
            options.procDir = args[++i];
        else if (options.port.empty())
            options.port = args[i];
        else
            return std::nullopt;
    }
    if (options.port.empty() || options.frames <= 0 || options.idleSeconds <= 0) return std::nullopt;
    return options;
}

// Poll frames to controller G and their acknowledgements, on the bare port.
bool MeasureRoundTrips(const Options& options) {
    SerialPort port;
    if (port.Open(options.port) != PortError::None || port.Configure("115200") != PortError::None) return false;
    const std::string poll =
        "\xFF"
        "G?";
    std::vector<double> micros;
    for (int i = 0; i < options.roundTrips; ++i) {
        const auto start = Steady::now();
        if (!port.Write(poll)) return false;
        std::uint8_t byte = 0;
        bool acknowledged = false;
        while (!acknowledged) {
            if (port.ReadByte(byte)) {
                acknowledged = byte == '!';
                continue;
            }
            if (port.WaitForInput(2000) != Port::WaitState::Readable) return false;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Steady::now() - start).count());
    }
    port.Close();
    if (micros.empty()) return true;
    std::sort(micros.begin(), micros.end());
    Print("round_trip_median_us", micros[micros.size() / 2]);
    Print("round_trip_p90_us", micros[micros.size() * 9 / 10]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: line_bench PORT [--frames N] [--idle-seconds S] [--round-trips N] [--proc DIR]\n");
        return 2;
    }
    if (!MeasureRoundTrips(*options)) {
        std::fprintf(stderr, "line_bench: no answer from controller G on %s\n", options->port.c_str());
        return 1;
    }

    // The burst's end is a count of monitor lines, which nothing queues:
    // looked at every 100 ms, as before the dispatcher slept without a limit.
    QueueDispatcher dispatcher{std::chrono::milliseconds(100)};
    NullView view;
    auto counting = std::make_unique<CountingPort>();
    CountingPort& port = *counting;
    LineSession session(view, dispatcher, std::move(counting));
    session.monitor().SetWindowExists(true);
    session.OpenPort(options->port, "115200");
    if (!session.IsPortOpen()) return 1;

    // Idle: the receive thread sleeps in the port's wait.
    dispatcher.RunFor(200ms);
    const long waitsBefore = port.waits;
    const auto switchesBefore = ThreadSwitches(options->procDir);
    const double cpuBefore = ProcessCpuMs();
    const auto idleStart = Steady::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(options->idleSeconds));
    const double idle = std::chrono::duration<double>(Steady::now() - idleStart).count();
    const auto switchesAfter = ThreadSwitches(options->procDir);
    Print("idle_receive_wakeups_per_s", static_cast<double>(port.waits - waitsBefore) / idle);
    if (switchesBefore && switchesAfter)
        // This thread's own sleep counts one switch in and one out.
        Print("idle_thread_switches_per_s", static_cast<double>(*switchesAfter - *switchesBefore - 1) / idle);
    else
        std::printf("idle_thread_switches_per_s n/a\n");
    Print("idle_cpu_ms_per_s", (ProcessCpuMs() - cpuBefore) / idle);

    // Burst: the monitor gets one line per card event.
    const std::size_t base = session.monitor().Count();
    const std::size_t target = base + static_cast<std::size_t>(options->frames);
    std::printf("ready %ld\n", options->frames);
    std::fflush(stdout);
    if (!dispatcher.RunUntil([&] { return session.monitor().Count() > base; }, 30s)) {
        std::fprintf(stderr, "line_bench: no frames came\n");
        return 1;
    }
    const auto first = Steady::now();
    const double cpuFirst = ProcessCpuMs();
    const bool all = dispatcher.RunUntil([&] { return session.monitor().Count() >= target; }, 120s);
    const double seconds = std::chrono::duration<double>(Steady::now() - first).count();
    const auto frames = static_cast<double>(session.monitor().Count() - base - 1);  // the first line started the clock
    Print("burst_frames", frames + 1);
    Print("burst_seconds", seconds);
    Print("frames_per_s", frames / seconds);
    Print("cpu_ms_per_1000_frames", (ProcessCpuMs() - cpuFirst) / frames * 1000);
    session.ClosePort();
    dispatcher.ProcessPending();
    return all ? 0 : 1;
}
