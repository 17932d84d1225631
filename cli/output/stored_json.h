#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

// JSON that came from a file or a pipe (the history, an update child's
// events) may be cut, damaged, of another version or edited by hand. It is
// read here alone: each field with a fallback for when it is missing or of
// another type, each line that is not one JSON object skipped and counted.
// Nothing here throws.

// The longest line taken for a record; a longer one is damaged (a record is
// a few hundred bytes, one with many retries a few KiB).
constexpr size_t kMaxObjectLine = 1024 * 1024;

// The string under key, else fallback.
std::string FieldText(const nlohmann::json& object, const char* key, const std::string& fallback = {});
// The number under key, else fallback.
double FieldNumber(const nlohmann::json& object, const char* key, double fallback);
// The number under key when it is whole-valued and fits, else fallback.
int FieldInt(const nlohmann::json& object, const char* key, int fallback);
unsigned FieldUnsigned(const nlohmann::json& object, const char* key, unsigned fallback);

// JSON objects one a line, as the bytes arrive in pieces (a pipe) or all
// at once (a file). Blank lines are passed over; every other line that is
// not one JSON object, or is longer than kMaxObjectLine, is counted as
// damaged and skipped.
class ObjectLines {
public:
    using OnObject = std::function<void(nlohmann::json&&)>;

    // Each whole line of what arrived, the unfinished one kept for later.
    void Add(const char* data, size_t size, const OnObject& onObject);
    void Add(const std::string& bytes, const OnObject& onObject) { Add(bytes.data(), bytes.size(), onObject); }
    // The end of the input: an unfinished last line is taken as a line.
    void End(const OnObject& onObject);
    size_t Damaged() const { return damaged_; }

private:
    void Line(const OnObject& onObject);

    std::string pending_;
    bool overlong_ = false;  // within a line already counted as too long
    size_t damaged_ = 0;
};

// "tqm530r: skipped 2 damaged line(s) in PLACE", the one note about them.
std::string DamagedLinesNote(size_t damaged, const std::string& place);
