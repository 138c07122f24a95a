// The virtual line's speed: how fast the line logic answers, the answer
// latency seen by a client of the pseudo-terminal, and the throughput of a
// burst through it.

#include "line/Frame.h"
#include "sim/SimCommands.h"
#include "sim/SimEvents.h"
#include "sim/SimLine.h"
#include "sim/SimPty.h"
#include "sim/SimRunner.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <thread>

namespace {

using namespace tulex;
using namespace tulex::sim;

void BM_LineParameterRead(benchmark::State& state) {
    SimLine line;
    line.AddController(0x47);
    const std::string exchange = BuildRequest(0x47, "$$02011310111617121819") + BuildShortFrame(0x47);
    SimTime now = SimClock::now();
    for (auto _ : state) {
        line.Feed(exchange, now);
        line.Advance(now);
        benchmark::DoNotOptimize(line.TakeOutput(now));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LineParameterRead);

// The simulator's loop on a pty in a thread of its own; the benchmark is
// the client on the slave side.
class PtyLine {
public:
    explicit PtyLine(ReplyStyle style) {
        line_.Config().reply = style;
        line_.AddController(0x47);
        line_.AddController(0x48);
        std::string error;
        ok_ = pty_.Open(error) && pipe(commands_) == 0;
        if (!ok_) return;
        runner_ = std::make_unique<SimRunner>(line_, events_, pty_);
        runner_->SetCommandInput(commands_[0], [this](std::string_view text) {
            bool quit = false;
            commandsHandler_.Execute(text, SimClock::now(), quit);
            return !quit;
        });
        client_ = ::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        struct termios t {};
        tcgetattr(client_, &t);
        cfmakeraw(&t);
        tcsetattr(client_, TCSANOW, &t);
        thread_ = std::thread([this] { runner_->Run(); });
    }
    ~PtyLine() {
        if (runner_) runner_->Stop();
        if (thread_.joinable()) thread_.join();
        if (client_ >= 0) ::close(client_);
        if (ok_) {
            ::close(commands_[0]);
            ::close(commands_[1]);
        }
    }
    bool ok() const { return ok_ && client_ >= 0; }
    void Command(const std::string& text) {
        [[maybe_unused]] const ssize_t n = ::write(commands_[1], text.data(), text.size());
    }
    void Send(const std::string& bytes) {
        [[maybe_unused]] const ssize_t n = ::write(client_, bytes.data(), bytes.size());
    }
    // Blocking reads until `want` bytes came.
    std::size_t Receive(std::size_t want) {
        static char buf[1 << 16];
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = ::read(client_, buf, std::min(sizeof buf, want - got));
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

private:
    SimLine line_;
    SimEvents events_{line_};
    SimCommands commandsHandler_{line_, events_, nullptr};
    SimPty pty_;
    int commands_[2] = {-1, -1};
    int client_ = -1;
    bool ok_ = false;
    std::unique_ptr<SimRunner> runner_;
    std::thread thread_;
};

// Request out, whole answer back: "!" (ack) or "$?G:47?" (positive).
void BM_PtyAnswerLatency(benchmark::State& state) {
    const bool positive = state.range(0) == 1;
    PtyLine line(positive ? ReplyStyle::Positive : ReplyStyle::Ack);
    if (!line.ok()) {
        state.SkipWithError("no pty");
        return;
    }
    const std::string request = BuildRequest(0x47, "$$02");
    const std::size_t answer = positive ? 7 : 1;
    for (auto _ : state) {
        line.Send(request);
        if (line.Receive(answer) != answer) {
            state.SkipWithError("short answer");
            break;
        }
    }
    state.SetLabel(positive ? "positive: $?G:47?" : "ack: !");
}
BENCHMARK(BM_PtyAnswerLatency)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A burst of card events written as fast as the pty takes them.
void BM_PtyBurst(benchmark::State& state) {
    PtyLine line(ReplyStyle::Ack);
    if (!line.ok()) {
        state.SkipWithError("no pty");
        return;
    }
    const int frames = static_cast<int>(state.range(0));
    const std::size_t bytes = static_cast<std::size_t>(frames) * 15;  // G;0123456789AB?
    for (auto _ : state) {
        line.Command("burst " + std::to_string(frames) + "\n");
        if (line.Receive(bytes) != bytes) {
            state.SkipWithError("short burst");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * frames);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_PtyBurst)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
