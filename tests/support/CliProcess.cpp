#include "tests/support/CliProcess.h"

namespace tulex::test {
namespace {

std::vector<std::string> CliCommand(const std::vector<std::string>& args) {
    std::vector<std::string> argv{TULEX_CLI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

}  // namespace

Cli::Cli(const std::vector<std::string>& args) : ChildProcess(CliCommand(args)) {}

void ExecCli(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err) {
    ExecProgram(CliCommand(args), out, err);
}

CliRun RunCli(const std::vector<std::string>& args) {
    Cli cli(args);
    CliRun run;
    run.status = cli.Wait(std::chrono::minutes(2));
    run.out = cli.Out();
    run.err = cli.Err();
    return run;
}

}  // namespace tulex::test
