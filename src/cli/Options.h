#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

// Adds an option whose text parse(text, value, error) reads as soon as the parser meets it,
// so that a bad one stops the parse with a message naming the option, before anything is
// changed.
template <class T, class Parse>
void AddParsedOption(CLI::App& app, const char* name, std::optional<T>& into, const char* type,
                     const char* help, Parse parse) {
    app.add_option_function<std::string>(
           name,
           [name, target = &into, parse](const std::string& text) {
               T value{};
               std::string error;
               if (!parse(text, value, error)) {
                   throw CLI::ValidationError(name, error);
               }
               *target = value;
           },
           help)
        ->type_name(type);
}
