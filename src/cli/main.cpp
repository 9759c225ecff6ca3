// quillon-cli: checks and writes signatures from scripts and the shell.
#include "cli_commands.h"

#include "platform/system_text.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        quillon::UseBinaryStandardStreams();
        const std::vector<std::string> Args = quillon::ProgramArguments(argc, argv);
        return quillon::cli::RunCli(Args, std::cin, std::cout, std::cerr);
    } catch (const std::exception& E) {
        std::cerr << "quillon-cli: " << E.what() << '\n';
        return quillon::cli::ExitFailed;
    }
}
