#pragma once

#include "platform/SystemTime.h"

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// What every subcommand is given: the options of the program as a whole, and the one moment
// that "now" stands for throughout the run.
struct CliContext {
    bool quiet = false;
    bool verbose = false;
    platform::UtcTime now;
};

// One subcommand of datemark-cli: its options, a last check, and its work. Every argument is
// read and checked (options' own checks throw CLI::ValidationError naming the argument) before
// Run changes anything.
class Subcommand {
public:
    virtual ~Subcommand() = default;

    // Adds the options and arguments to the subcommand's own parser.
    virtual void Define(CLI::App& app, const CliContext& context) = 0;
    // After parsing: what the options cannot check one by one ("nothing to change"); empty
    // when all is well.
    virtual std::string Check() const { return {}; }
    // The work; the exit status: 0 when everything was done, 1 when some items got a line.
    virtual int Run(const CliContext& context) = 0;
};

struct SubcommandEntry {
    const char* name;
    const char* summary;
    std::unique_ptr<Subcommand> (*make)();
};

// Every subcommand, in the order --help lists them.
const std::vector<SubcommandEntry>& Subcommands();

// A path as given, without separators at its end, so that its last component is its name.
std::string WithoutTrailingSeparators(std::string path);

// The subcommands' own factories, one file each.
std::unique_ptr<Subcommand> MakeSetCommand();
std::unique_ptr<Subcommand> MakeShiftCommand();
std::unique_ptr<Subcommand> MakeCopyCommand();
std::unique_ptr<Subcommand> MakeShowCommand();
std::unique_ptr<Subcommand> MakeRunsCommand();
std::unique_ptr<Subcommand> MakeUndoCommand();
