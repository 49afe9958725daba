// datemark-cli: the window's engine on the command line, without Qt.
#include "cli/Exif.h"
#include "cli/Subcommand.h"
#include "platform/Process.h"
#include "version/AppVersion.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr int kBadUsage = 2;

platform::UtcTime Now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return {std::chrono::duration_cast<std::chrono::seconds>(since).count(), 0};
}

// Help and the version are answers; anything else the parser refuses is bad usage, told with
// the argument it concerns.
int Refuse(const CLI::App& app, const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        return app.exit(e);
    }
    // The help of the command being read, where the mistake was made in one.
    const auto commands = app.get_subcommands();
    const std::string help =
        commands.empty() ? "datemark-cli --help" : "datemark-cli " + commands.back()->get_name() + " --help";
    std::fprintf(stderr, "datemark-cli: %s\nRun '%s' for the usage.\n", e.what(), help.c_str());
    return kBadUsage;
}

// The first argument that is not an option, which must name a command (the program's own
// options take no values); empty when there is none.
std::string_view CommandArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            return argv[i];
        }
    }
    return {};
}

// The command named, or none; the parser would only say that one is missing.
const SubcommandEntry* CommandNamed(std::string_view name) {
    for (const SubcommandEntry& entry : Subcommands()) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

// The first option given as "--name=" with nothing after '=' that takes a value in the command
// named, or empty: the parser would take the next argument for its value, reading a path as a
// time. Arguments after "--" are paths, whatever they look like.
std::string EmptyValue(int argc, char** argv, const CLI::App& command) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (!arg.starts_with("--") || !arg.ends_with('=') || arg.find('=') != arg.size() - 1) {
            continue;
        }
        const std::string name(arg.substr(0, arg.size() - 1));
        const CLI::Option* option = command.get_option_no_throw(name);
        if (option != nullptr && option->get_type_size() != 0) {
            return name;
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments = platform::Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& a : arguments) {
        pointers.push_back(a.data());
    }
    argc = static_cast<int>(pointers.size());
    pointers.push_back(nullptr);
    argv = pointers.data();
    const ExifReaderScope exif;
    CliContext context;
    context.now = Now();

    CLI::App app("Sets the creation and last-write times and the read-only, hidden and archive attributes of "
                 "files and folders, as the Datemark window does.",
                 "datemark-cli");
    app.set_version_flag("--version", std::string("datemark-cli ") + APP_VERSION);
    CLI::Option* quiet = app.add_flag("-q,--quiet", context.quiet, "No progress line on a terminal");
    app.add_flag("-v,--verbose", context.verbose,
                 "Print the path of each item changed, and a count of items and lines at the end")
        ->excludes(quiet);
    app.require_subcommand(1);
    app.footer("Exit status: 0 all done, 1 some items failed (each on standard error, one line each), "
               "2 bad usage (nothing changed).\nSee datemark-cli(1).");

    std::vector<std::unique_ptr<Subcommand>> commands;
    std::vector<CLI::App*> parsers;
    for (const SubcommandEntry& entry : Subcommands()) {
        commands.push_back(entry.make());
        parsers.push_back(app.add_subcommand(entry.name, entry.summary));
        parsers.back()->fallthrough();
        commands.back()->Define(*parsers.back(), context);
    }
    const std::string_view named = CommandArgument(argc, argv);
    const SubcommandEntry* const command = CommandNamed(named);
    if (!named.empty() && command == nullptr) {
        std::string names;
        for (const SubcommandEntry& entry : Subcommands()) {
            names += std::string(names.empty() ? "" : ", ") + entry.name;
        }
        std::fprintf(stderr, "datemark-cli: '%s' is not a command (%s)\n", std::string(named).c_str(),
                     names.c_str());
        return kBadUsage;
    }
    if (command != nullptr) {
        const CLI::App& parser = *parsers[static_cast<size_t>(command - Subcommands().data())];
        if (const std::string option = EmptyValue(argc, argv, parser); !option.empty()) {
            std::fprintf(
                stderr,
                "datemark-cli %s: the value of %s is empty: give one after '='\nRun 'datemark-cli %s "
                "--help' for the usage.\n",
                command->name, option.c_str(), command->name);
            return kBadUsage;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return Refuse(app, e);
    }
    int status = kBadUsage;
    for (size_t i = 0; i < commands.size(); ++i) {
        if (!parsers[i]->parsed()) {
            continue;
        }
        if (const std::string problem = commands[i]->Check(); !problem.empty()) {
            std::fprintf(stderr, "datemark-cli %s: %s\nRun 'datemark-cli %s --help' for the usage.\n",
                         Subcommands()[i].name, problem.c_str(), Subcommands()[i].name);
            return kBadUsage;
        }
        status = commands[i]->Run(context);
    }
    return status;
}
