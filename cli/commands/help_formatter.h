#pragma once

#include <CLI/CLI.hpp>
#include <string>

// CLI11's help with its name column padded by what a terminal shows, so that
// descriptions stay in line when a name holds Japanese words (必須, 併用不可).
// For ASCII names it prints what CLI11's own formatter prints.
class DisplayWidthFormatter : public CLI::Formatter {
public:
    std::string make_option(const CLI::Option* opt, bool is_positional) const override;
};

// name and description as one help entry: the name after two spaces, padded
// to column; the description beside it (below it when the name is as wide),
// each of its further lines indented to column.
std::string HelpEntry(const std::string& name, const std::string& description, size_t column);
