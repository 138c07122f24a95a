#include "tests/wine/WineEnvironment.h"

#include <system_error>

#include "tests/support/ChildProcess.h"

namespace tulex::test {
namespace fs = std::filesystem;

fs::path WineEnvironment::WindowsBuild() { return TULEX_WINDOWS_BUILD; }

WineEnvironment& WineEnvironment::Instance() {
    static WineEnvironment environment;
    return environment;
}

WineEnvironment::WineEnvironment()
    : prefix_(WindowsBuild() / "wine-prefix"), com1Link_(WindowsBuild() / "wine-prefix" / "com1-line") {
    const std::string script = TULEX_SOURCE_DIR "/scripts/wine-prefix";
    if (RunQuietly({script, prefix_.string(), com1Link_.string()}) != 0)
        error_ = script + " could not prepare " + prefix_.string();
}

void WineEnvironment::StartServer() const {
    // Returns at once: the server goes to the background, or one is running.
    RunQuietly({"wineserver", "-p5"}, Variables());
}

std::vector<std::string> WineEnvironment::Variables() const {
    return {"WINEPREFIX=" + prefix_.string(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree=d;mshtml=d",
            "TULEX_TEST_PORT=COM1"};
}

std::vector<std::string> WineEnvironment::Unset() { return {"DISPLAY", "WAYLAND_DISPLAY"}; }

std::vector<std::string> WineEnvironment::Command(const fs::path& program, const std::vector<std::string>& args) const {
    std::vector<std::string> command{"wine", program.string()};
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

bool WineEnvironment::MapCom1(const std::string& ptyPath) const {
    // Replaced in one step: a program that opens COM1 meanwhile finds one
    // line or the other, never none.
    const fs::path next = com1Link_.string() + ".next";
    std::error_code ec;
    fs::remove(next, ec);
    fs::create_symlink(ptyPath, next, ec);
    if (ec) return false;
    fs::rename(next, com1Link_, ec);
    return !ec;
}

}  // namespace tulex::test
