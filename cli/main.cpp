// tulex-cli: the engine without a window, for scripts, support and tests.

#include "cli/Program.h"

int main(int argc, char** argv) { return tulex::cli::RunProgram(argc, argv); }
