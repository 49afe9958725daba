#pragma once

#include <string>
#include <vector>

// What the program was started with: the files and folders to list (a file manager's "Open
// with" and the desktop entry hand them over), or a question about the program itself.
struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Fail };
    Action action = Action::Run;
    std::vector<std::string> paths; // full paths, in the order given
    std::string error;              // with Fail: what was wrong, naming the argument
};

// args without the program's own name. Paths may be relative to currentFolder or file:// URLs;
// "--" ends the options, so that a name starting with "-" can be listed too.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& currentFolder);

// The text of --help.
std::string CommandLineHelp();
