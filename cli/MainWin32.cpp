// tulex-cli on Windows: the engine without a window, for scripts, support and
// tests. The arguments arrive as UTF-16 (an index Ж, a Cyrillic path) and go
// on as UTF-8; the console shows UTF-8 while the program runs; standard
// output and error carry the bytes as they are (LF stays LF, as on Linux).

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Program.h"
#include "serial/WideText.h"

namespace {

// The console's output code page is the console's, not the process's: it is
// given back when the program ends.
class Utf8ConsoleOutput {
public:
    Utf8ConsoleOutput() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8ConsoleOutput() {
        std::fflush(stdout);
        std::fflush(stderr);
        if (previous_ != 0) SetConsoleOutputCP(previous_);
    }
    Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
    Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

private:
    const UINT previous_;  // 0 without a console
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const Utf8ConsoleOutput console;

    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(tulex::Utf8FromWide(argv[i]));
    std::vector<char*> pointers;
    for (auto& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return tulex::cli::RunProgram(argc, pointers.data());
}
