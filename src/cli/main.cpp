// quillon-cli: checks and writes signatures from scripts and the shell.
#include "cli_commands.h"

#include "platform/console.h"
#include "platform/system_text.h"
#include "platform/temporary_files.h"

#include "platform/thread_budget.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        quillon::RemoveTemporaryFilesOnInterrupt(); // before any thread starts
        quillon::UseBinaryStandardStreams();
        const std::vector<std::string> Args = quillon::ProgramArguments(argc, argv);
        quillon::cli::TConsole Console;
        Console.OutIsTerminal = quillon::IsTerminal(quillon::TStdStream::Output);
        Console.ErrIsTerminal = quillon::IsTerminal(quillon::TStdStream::Error);
        Console.Cores = quillon::ProcessorCount();
        return quillon::cli::RunCli(Args, std::cin, std::cout, std::cerr, Console);
    } catch (const std::exception& E) {
        std::cerr << "quillon-cli: " << E.what() << '\n';
        return quillon::cli::ExitFailed;
    }
}
