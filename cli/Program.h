#pragma once
// The whole of tulex-cli after the platform's entry point: the arguments
// (UTF-8) in, the exit status out.

namespace tulex::cli {

int RunProgram(int argc, char** argv);

}  // namespace tulex::cli
