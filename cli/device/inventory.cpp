#include "cli/device/inventory.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "cli/output/visible_text.h"
#include "cli/platform/file_path.h"

namespace {

constexpr std::uintmax_t kMaxInventoryBytes = 8u << 20;
const char* const kBom = "\xEF\xBB\xBF";

struct CsvRow {
    std::vector<std::string> fields;
    size_t line = 0;
};

std::string LineText(size_t line) { return "line " + std::to_string(line) + ": "; }

// The line of the first byte that is no part of a UTF-8 sequence; 0 when all are.
size_t FirstLineNotUtf8(const std::string& bytes) {
    size_t line = 1;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) return line;
        line += bytes[i] == '\n';
        i += length;
    }
    return 0;
}

// The rows of RFC 4180 text. A quote that opens no field is kept as it is;
// a line ends with LF, CR LF or a lone CR.
class CsvReader {
public:
    bool Read(const std::string& text, std::vector<CsvRow>& rows, std::string& error) {
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (quoted_) {
                Quoted(c, next, i);
                continue;
            }
            if (c == '"' && field_.empty() && !fieldHadQuote_) {
                quoted_ = fieldHadQuote_ = true;
                quoteLine_ = line_;
            } else if (c == ',') {
                EndField();
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && next == '\n') ++i;
                EndRow(rows);
                ++line_;
            } else {
                field_ += c;
            }
        }
        if (quoted_) {
            error = LineText(quoteLine_) + "a quoted field does not end (a closing \" is missing)";
            return false;
        }
        if (!row_.fields.empty() || !field_.empty() || fieldHadQuote_) EndRow(rows);
        return true;
    }

private:
    void Quoted(char c, char next, size_t& i) {
        if (c != '"') {
            line_ += c == '\n' || (c == '\r' && next != '\n');
            field_ += c;
        } else if (next == '"') {
            field_ += '"';
            ++i;
        } else {
            quoted_ = false;
        }
    }
    void EndField() {
        row_.fields.push_back(field_);
        field_.clear();
        fieldHadQuote_ = false;
    }
    void EndRow(std::vector<CsvRow>& rows) {
        EndField();
        rows.push_back(row_);
        row_ = {};
        row_.line = line_ + 1;
    }

    size_t line_ = 1;
    CsvRow row_{{}, 1};
    std::string field_;
    bool quoted_ = false;
    bool fieldHadQuote_ = false;
    size_t quoteLine_ = 0;
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Blank(const CsvRow& row) {
    for (const std::string& f : row.fields)
        if (!Trimmed(f).empty()) return false;
    return true;
}

bool HasControl(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

// Where "name" and "mac" stand in the header, and the other named columns.
struct Header {
    size_t name = std::string::npos;
    size_t mac = std::string::npos;
    std::vector<std::pair<size_t, std::string>> others;
    size_t width = 0;  // fields up to the last named column
};

bool ReadHeader(const CsvRow& row, Header& header, std::string& error) {
    std::map<std::string, size_t> seen;
    for (size_t k = 0; k < row.fields.size(); ++k) {
        const std::string title = Trimmed(row.fields[k]);
        if (title.empty()) continue;
        const std::string key = Lower(title);
        if (!seen.emplace(key, k).second) {
            error = LineText(row.line) + "the column \"" + VisibleText(title) + "\" is named twice";
            return false;
        }
        header.width = k + 1;
        if (key == "name")
            header.name = k;
        else if (key == "mac")
            header.mac = k;
        else
            header.others.emplace_back(k, title);
    }
    for (const char* required : {"name", "mac"}) {
        if (seen.count(required)) continue;
        error = LineText(row.line) + "no column \"" + required + "\" (the header row must name \"name\" and \"mac\")";
        return false;
    }
    return true;
}

std::string Field(const CsvRow& row, size_t k) { return k < row.fields.size() ? row.fields[k] : std::string(); }

bool ReadDevice(const CsvRow& row, const Header& header, InventoryDevice& device, std::string& error) {
    for (size_t k = header.width; k < row.fields.size(); ++k) {
        if (Trimmed(row.fields[k]).empty()) continue;
        error = LineText(row.line) + std::to_string(row.fields.size()) + " fields, more than the header's " +
                std::to_string(header.width);
        return false;
    }
    device.line = row.line;
    device.name = Trimmed(Field(row, header.name));
    if (device.name.empty() || HasControl(device.name)) {
        error = LineText(row.line) + (device.name.empty() ? "no name" : "the name holds a control character");
        return false;
    }
    const std::string mac = Trimmed(Field(row, header.mac));
    if (!NormalizedMac(mac, device.mac)) {
        error = LineText(row.line) + "\"" + VisibleText(mac) +
                "\" is no MAC address (02:4c:1a:03:00:45, 02-4C-1A-03-00-45 or 024c1a030045)";
        return false;
    }
    for (const auto& [k, title] : header.others) device.columns.emplace_back(title, Field(row, k));
    return true;
}

// A MAC or a name listed before: its line, else 0.
size_t ListedBefore(const Inventory& inventory, const InventoryDevice& device, bool byMac) {
    for (const InventoryDevice& d : inventory.devices)
        if (byMac ? d.mac == device.mac : d.name == device.name) return d.line;
    return 0;
}

bool AddDevice(Inventory& inventory, const InventoryDevice& device, std::string& error) {
    if (const size_t before = ListedBefore(inventory, device, true)) {
        error = LineText(device.line) + "the MAC " + device.mac + " is listed twice (line " + std::to_string(before) +
                ")";
        return false;
    }
    if (const size_t before = ListedBefore(inventory, device, false)) {
        error = LineText(device.line) + "the name \"" + device.name + "\" is listed twice (line " +
                std::to_string(before) + ")";
        return false;
    }
    inventory.devices.push_back(device);
    return true;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    std::error_code ec;
    const std::filesystem::path file = FilePath(path);
    if (!std::filesystem::is_regular_file(file, ec)) {
        error = ec || !std::filesystem::exists(file, ec) ? "no such file" : "not a regular file";
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxInventoryBytes) {
        error = ec ? "cannot read its size: " + ec.message() : "larger than 8 MiB";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    bytes.assign(static_cast<size_t>(size), '\0');
    if (!in || !in.read(&bytes[0], static_cast<std::streamsize>(size))) {
        error = "cannot read it";
        return false;
    }
    return true;
}

}  // namespace

const InventoryDevice* Inventory::WithMac(const std::string& mac) const {
    for (const InventoryDevice& d : devices)
        if (d.mac == mac) return &d;
    return nullptr;
}

bool NormalizedMac(const std::string& text, std::string& mac) {
    std::string digits;
    if (text.size() == 17) {
        const char separator = text[2];
        if (separator != ':' && separator != '-') return false;
        for (size_t k = 0; k < text.size(); ++k) {
            if (k % 3 == 2) {
                if (text[k] != separator) return false;
            } else {
                digits += text[k];
            }
        }
    } else if (text.size() == 12) {
        digits = text;
    } else {
        return false;
    }
    if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    digits = Lower(digits);
    mac.clear();
    for (size_t k = 0; k < 12; k += 2) mac += (k == 0 ? "" : "-") + digits.substr(k, 2);
    return true;
}

bool ParseInventory(const std::string& bytes, Inventory& inventory, std::string& error) {
    inventory = {};
    if (const size_t line = FirstLineNotUtf8(bytes)) {
        error = LineText(line) + "not UTF-8 text; save the file as \"CSV UTF-8\"";
        return false;
    }
    const bool bom = bytes.compare(0, 3, kBom) == 0;
    std::vector<CsvRow> rows;
    if (!CsvReader().Read(bom ? bytes.substr(3) : bytes, rows, error)) return false;
    size_t k = 0;
    while (k < rows.size() && Blank(rows[k])) ++k;
    if (k == rows.size()) {
        error = "the file is empty: it needs a header row with \"name\" and \"mac\" and a row for each device";
        return false;
    }
    Header header;
    if (!ReadHeader(rows[k], header, error)) return false;
    for (++k; k < rows.size(); ++k) {
        if (Blank(rows[k])) continue;
        InventoryDevice device;
        if (!ReadDevice(rows[k], header, device, error) || !AddDevice(inventory, device, error)) return false;
    }
    if (!inventory.devices.empty()) return true;
    error = "the file lists no device, only its header";
    return false;
}

bool LoadInventory(const std::string& path, Inventory& inventory, std::string& error) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error) || !ParseInventory(bytes, inventory, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
