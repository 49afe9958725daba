#include "app/CommandLine.h"
#include "app/MainApp.h"
#include "platform/Process.h"
#include "version/AppVersion.h"

#include <cstdio>

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

} // namespace

int main(int argc, char** argv) {
    // Questions about the program are answered without a display.
    const CommandLine asked = ParseCommandLine(Arguments(argc, argv), {});
    if (asked.action == CommandLine::Action::ShowHelp || asked.action == CommandLine::Action::ShowVersion) {
        std::fputs(asked.action == CommandLine::Action::ShowHelp
                       ? CommandLineHelp().c_str()
                       : ("Datemark " + std::string(APP_VERSION) + "\n").c_str(),
                   stdout);
        return 0;
    }
    CMainApp app(argc, argv); // takes the toolkit's own options out of argv
    const CommandLine line = ParseCommandLine(Arguments(argc, argv), platform::CurrentFolder());
    if (line.action == CommandLine::Action::Fail) {
        std::fprintf(stderr, "datemark: %s\nTry 'datemark --help'.\n", line.error.c_str());
        return 2;
    }
    return app.InitInstance(line.paths);
}
