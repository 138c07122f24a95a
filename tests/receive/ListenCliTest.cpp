// tulex-cli listen as a program on a pty: monitor lines, pop-up blocks, JSON
// objects, the --monitor file, the end by time, by SIGTERM and by the loss
// of the device, and the exit statuses.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

// The program as a child with its standard output and error captured.
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& args) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            const int devNull = open("/dev/null", O_RDONLY);  // no terminal: questions answer No
            dup2(devNull, STDIN_FILENO);
            std::vector<char*> argv;
            static std::string program = TULEX_CLI_PROGRAM;
            argv.push_back(program.data());
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~CliProcess() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }

    // Reads standard output until `text` has appeared (or the time passes).
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds within = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (out.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            Pump(20);
        }
        return true;
    }
    // Exit status once the program ended (-1 if it did not within the time).
    int Wait(std::chrono::milliseconds within = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            Pump(20);
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                while (Pump(0)) {
                }
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return status_;
            }
        }
        return -1;
    }
    void Signal(int sig) { kill(pid_, sig); }

    std::string out;
    std::string err;

private:
    // Takes what is waiting on both pipes; true if anything came.
    bool Pump(int timeoutMs) {
        struct pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) <= 0) return false;
        bool got = false;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? out : err).append(buf, static_cast<std::size_t>(n));
                got = true;
            }
        }
        return got;
    }

    int pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int status_ = -1;
};

const std::string kOpened = "Порт открыт. Скорость, бит/с — 9600";

TEST(ListenCli, PrintsMonitorLinesAndPopupBlocks) {
    Pty pty;
    CliProcess cli({"-p", pty.slavePath(), "--sensors", "on", "--online-answer", "on", "listen", "--seconds", "3"});
    ASSERT_TRUE(cli.WaitForOutput(kOpened));
    pty.Send("!G1;1234567890?G3A?\x1B[2J");
    ASSERT_TRUE(cli.WaitForOutput("Датчик\n  3A\n"));
    // Both automatic answers went out on the line.
    EXPECT_EQ(pty.Receive(2s, 16), "\xFF\xFF\xFF\xFFGG>?\x01\xFF\xFF\xFF\xFFGG+?\x14");
    EXPECT_EQ(cli.Wait(), 0);
    const std::string& out = cli.out;
    EXPECT_NE(out.find(pty.slavePath() + "   ——>   OK\n"), std::string::npos) << out;
    EXPECT_NE(out.find(pty.slavePath() + "   ——>   G1;1234567890?\n"), std::string::npos);
    EXPECT_NE(out.find(pty.slavePath() + "   <——   G   —   Автоответ в on-line режиме (1)\n"), std::string::npos);
    EXPECT_NE(out.find("Доступ разрешен (автоответ)\n"
                       "  Пропуск отсутствует в памяти\n"
                       "\n"
                       "  Направление: Вход\n"
                       "  Номер: 1234567890\n"),
              std::string::npos)
        << out;
    // A byte from the line never reaches the terminal as a control character.
    EXPECT_EQ(out.find('\x1B'), std::string::npos);
    EXPECT_NE(out.find("——>   \\x1B\n"), std::string::npos);
    EXPECT_NE(out.find("Порт закрыт.\n"), std::string::npos);
    // Every monitor line starts with its time stamp.
    EXPECT_EQ(out[2], ':');
    EXPECT_EQ(out[5], ':');
}

TEST(ListenCli, JsonObjectsOnePerLine) {
    Pty pty;
    CliProcess cli({"-p", pty.slavePath(), "--json", "listen", "--seconds", "2"});
    ASSERT_TRUE(cli.WaitForOutput(kOpened));
    pty.Send("G;123456789003?");
    ASSERT_TRUE(cli.WaitForOutput("\"event\": \"card\""));
    EXPECT_EQ(cli.Wait(), 0);
    EXPECT_NE(cli.out.find("{\"event\": \"card\", \"index\": \"G\", \"title\": \"Доступ разрешен\", \"text\": "
                           "\"Пропуск отсутствует в памяти\\n\\nНаправление: Вход\\nНомер: 1234567890\"}\n"),
              std::string::npos)
        << cli.out;
    EXPECT_NE(cli.out.find("{\"event\": \"counters\", \"present\": 1, \"reply_only\": 0}\n"), std::string::npos);
    EXPECT_NE(cli.out.find("{\"event\": \"monitor\", \"line\": \""), std::string::npos);
    // Nothing but objects, one per line.
    std::size_t start = 0;
    while (start < cli.out.size()) {
        const std::size_t end = cli.out.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(cli.out[start], '{');
        EXPECT_EQ(cli.out[end - 1], '}');
        start = end + 1;
    }
}

TEST(ListenCli, MonitorFileIsWindows1251WithCrLf) {
    Pty pty;
    TempDir dir;
    const std::string path = (dir.path() / "monitor.txt").string();
    CliProcess cli({"-p", pty.slavePath(), "--monitor", path, "listen", "--seconds", "1"});
    ASSERT_TRUE(cli.WaitForOutput(kOpened));
    pty.Send("\xC6:01?");
    ASSERT_TRUE(cli.WaitForOutput("Ж:01?"));
    EXPECT_EQ(cli.Wait(), 0);
    std::ifstream in(path, std::ios::binary);
    const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string port = pty.slavePath();
    // Three lines: opened, the data reply, closed; stamps are 8 characters.
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < file.size();) {
        const std::size_t end = file.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
        lines.push_back(file.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 3u) << file;
    EXPECT_EQ(lines[0].substr(8), "   " + port +
                                      "   ---   \xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2. "
                                      "\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC, \xE1\xE8\xF2/\xF1 \x97 9600");
    EXPECT_EQ(lines[1].substr(8), "   " + port + "   \x97\x97>   \xC6:01?");
    EXPECT_EQ(lines[2].substr(8), "   " + port + "   ---   \xCF\xEE\xF0\xF2 \xE7\xE0\xEA\xF0\xFB\xF2.");
}

TEST(ListenCli, MonitorToStandardError) {
    Pty pty;
    CliProcess cli({"-p", pty.slavePath(), "--monitor", "-", "listen", "--seconds", "1"});
    EXPECT_EQ(cli.Wait(), 0);
    EXPECT_NE(cli.err.find("---   " + kOpened + "\n"), std::string::npos) << cli.err;
    EXPECT_NE(cli.err.find("---   Порт закрыт.\n"), std::string::npos);
}

TEST(ListenCli, SigtermClosesThePort) {
    Pty pty;
    CliProcess cli({"-p", pty.slavePath(), "listen"});
    ASSERT_TRUE(cli.WaitForOutput(kOpened));
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 0);
    EXPECT_NE(cli.out.find("Порт закрыт.\n"), std::string::npos);
}

TEST(ListenCli, DeviceLossEndsWithAWarning) {
    Pty pty;
    CliProcess cli({"-p", pty.slavePath(), "listen", "--seconds", "10"});
    ASSERT_TRUE(cli.WaitForOutput(kOpened));
    pty.HangUp();
    EXPECT_EQ(cli.Wait(), 1);
    EXPECT_EQ(cli.err, "Предупреждение: Порт " + pty.slavePath() + " недоступен.\n\nСвязь с COM-портом потеряна.\n");
    EXPECT_NE(cli.out.find("Порт закрыт.\n"), std::string::npos);
}

TEST(ListenCli, ExitStatuses) {
    {
        CliProcess cli({"-p", "ttyNOSUCH77", "listen", "--seconds", "1"});
        EXPECT_EQ(cli.Wait(), 3);
        EXPECT_NE(cli.err.find("ttyNOSUCH77 — неверный идентификатор COM-порта."), std::string::npos);
        EXPECT_EQ(cli.out, "");
    }
    {
        CliProcess cli({"listen", "--seconds", "1"});  // no --port
        EXPECT_EQ(cli.Wait(), 2);
    }
    {
        Pty pty;
        CliProcess cli({"-p", pty.slavePath(), "listen", "--seconds", "soon"});
        EXPECT_EQ(cli.Wait(), 2);
    }
    {
        Pty pty;
        CliProcess cli({"-p", pty.slavePath(), "listen", "extra"});
        EXPECT_EQ(cli.Wait(), 2);
    }
}

}  // namespace
}  // namespace tulex::test
