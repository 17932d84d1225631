#pragma once

#include <string>
#include <utility>
#include <vector>

// A label and its value on each line, the values in line by display width:
// each label padded to the widest, then gap spaces. A value of several lines
// has its further lines indented to the values' column.
using LabelledLine = std::pair<std::string, std::string>;
std::string LabelledLines(const std::vector<LabelledLine>& lines, size_t gap);

// Rows of cells as a table aligned by display width: each column but the
// last padded to its widest cell (at least least[column], when given), the
// columns two spaces apart.
std::string AlignedTable(const std::vector<std::vector<std::string>>& rows, const std::vector<size_t>& least);
