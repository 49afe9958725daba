#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

// The program's arguments, argv[0] first, in the program's own text. On Windows they are read
// again from the wide-character command line: the C runtime gives them in the system's ANSI code
// page, which turns a name in another script into question marks.
std::vector<std::string> Arguments(int argc, char** argv);

// The process's current folder; empty when it cannot be had (it was removed meanwhile).
std::string CurrentFolder();

// This process's number.
int ProcessId();

// The user whose rights this process acts with, where the system gives it a number (0 where
// it does not).
uint32_t EffectiveUser();

// The user's home folder: $HOME, else the one the user database gives; empty when neither
// tells (%USERPROFILE% on Windows).
std::string HomeFolder();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config (%APPDATA% on Windows).
std::string ConfigHome();

// The user's folder for state kept between runs: $XDG_STATE_HOME when it is an absolute path,
// else ~/.local/state (%LOCALAPPDATA% on Windows).
std::string StateHome();

// The process's file-creation mask, read without changing it (setting it to read it would race
// with other threads creating files). No value where the system does not tell.
std::optional<unsigned> CurrentUmask();

// The process's standard streams, for the questions the command line asks of them.
enum class StdStream { Output, Error };

// Whether the stream goes to a terminal.
bool IsTerminal(StdStream stream);

// The width in columns of the terminal the stream goes to; 80 where it does not tell.
int TerminalColumns(StdStream stream);

} // namespace platform
