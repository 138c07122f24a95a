#pragma once
// The Wine prefix the Windows programs run in, beside the Windows build,
// prepared by scripts/wine-prefix on first use (about 20 s when it has to be
// created): COM1 is mapped to a stable path that the tests point at the
// pseudo-terminal of the line they want, and a wineserver runs between the
// programs.

#include <filesystem>
#include <string>
#include <vector>

namespace tulex::test {

class WineEnvironment {
public:
    // Sets the prefix up once per process.
    static WineEnvironment& Instance();

    // Empty when Wine is ready, else what went wrong.
    const std::string& error() const { return error_; }

    // The Windows build: its folder and a program in it.
    static std::filesystem::path WindowsBuild();
    // The variables every Wine process gets (the prefix, quiet debugging,
    // the test programs' line port COM1).
    std::vector<std::string> Variables() const;
    // Those a Wine process must not see (no display: console programs only).
    static std::vector<std::string> Unset();
    // wine, the program, its arguments.
    std::vector<std::string> Command(const std::filesystem::path& program, const std::vector<std::string>& args) const;

    // Points Wine's COM1 at a pseudo-terminal's slave path.
    bool MapCom1(const std::string& ptyPath) const;
    // Drive C: of the prefix, as a Linux folder.
    std::filesystem::path DriveC() const { return prefix_ / "drive_c"; }

    // Starts the prefix's wineserver if none runs, its output sent away
    // (a server started by a program keeps that program's output open and
    // fills it with its messages at exit).
    void StartServer() const;

private:
    WineEnvironment();

    std::filesystem::path prefix_;
    std::filesystem::path com1Link_;
    std::string error_;
};

}  // namespace tulex::test
