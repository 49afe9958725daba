#include "cli/Subcommand.h"

const std::vector<SubcommandEntry>& Subcommands() {
    static const std::vector<SubcommandEntry> table = {
        {"set", "Give files and folders these times and attributes", MakeSetCommand},
        {"shift", "Move each item's own times forwards or backwards", MakeShiftCommand},
        {"copy", "Give each item one of its times from another time, a file or the photo", MakeCopyCommand},
        {"show", "Show the times, attributes, size and type of files and folders", MakeShowCommand},
        {"runs", "List the kept runs that can be undone, newest first", MakeRunsCommand},
        {"undo", "Put back what a kept run changed (the newest by default)", MakeUndoCommand},
    };
    return table;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}
