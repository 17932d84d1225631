#include "cli/commands/aligned_text.h"

#include <algorithm>

#include "cli/output/display_width.h"

std::string LabelledLines(const std::vector<LabelledLine>& lines, size_t gap) {
    std::vector<std::string> labels;
    for (const LabelledLine& line : lines) labels.push_back(line.first);
    const size_t width = WidestWidth(labels, 0);
    const std::string indent(width + gap, ' ');
    std::string text;
    for (const auto& [label, value] : lines) {
        text += PadToWidth(label, width) + std::string(gap, ' ');
        for (const char c : value) text += c == '\n' ? "\n" + indent : std::string(1, c);
        text += '\n';
    }
    return text;
}

std::string AlignedTable(const std::vector<std::vector<std::string>>& rows, const std::vector<size_t>& least) {
    std::vector<size_t> widths(least);
    for (const auto& row : rows)
        for (size_t k = 0; k < row.size(); ++k) {
            if (widths.size() <= k) widths.push_back(0);
            widths[k] = std::max(widths[k], DisplayWidth(row[k]));
        }
    std::string text;
    for (const auto& row : rows) {
        for (size_t k = 0; k < row.size(); ++k)
            text += k + 1 == row.size() ? row[k] : PadToWidth(row[k], widths[k]) + "  ";
        text += '\n';
    }
    return text;
}
