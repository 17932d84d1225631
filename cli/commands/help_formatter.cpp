#include "cli/commands/help_formatter.h"

#include "cli/output/display_width.h"

std::string HelpEntry(const std::string& name, const std::string& description, size_t column) {
    const std::string indented = "  " + name;
    std::string entry = PadToWidth(indented, column);
    if (!description.empty()) {
        if (DisplayWidth(indented) >= column) entry += "\n" + std::string(column, ' ');
        for (const char c : description) {
            entry += c;
            if (c == '\n') entry += std::string(column, ' ');
        }
    }
    return entry + "\n";
}

std::string DisplayWidthFormatter::make_option(const CLI::Option* opt, bool is_positional) const {
    return HelpEntry(make_option_name(opt, is_positional) + make_option_opts(opt), make_option_desc(opt),
                     get_column_width());
}
