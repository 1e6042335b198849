// clipharvester-cli: one harvest from the command line; see --help.
#include <unistd.h>

#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli_options.h"
#include "app/cli/harvest.h"
#include "ui/terminal/terminal_size.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ch::CliOptions options = ch::ParseCliOptions(arguments);
    switch (options.What) {
        case ch::CliOptions::Action::Help:
            std::cout << ch::CliUsageText();
            return ch::ToProcessStatus(ch::ExitStatus::Completed);
        case ch::CliOptions::Action::Version:
            std::cout << ch::CliVersionText();
            return ch::ToProcessStatus(ch::ExitStatus::Completed);
        case ch::CliOptions::Action::BadUsage:
            std::cerr << "clipharvester-cli: " << options.Error
                      << "\nTry 'clipharvester-cli --help'.\n";
            return ch::ToProcessStatus(ch::ExitStatus::BadUsage);
        case ch::CliOptions::Action::Harvest:
            break;
    }
    QCoreApplication app(argc, argv);
    const std::filesystem::path executableFolder =
        QCoreApplication::applicationDirPath().toStdString();
    const ch::ExitStatus status = ch::RunHarvest(
        options, executableFolder, {std::cout, std::cerr, ch::IsTerminal(STDOUT_FILENO), [] {
                                        return ch::TerminalWidth(STDOUT_FILENO);
                                    }});
    return ch::ToProcessStatus(status);
}
