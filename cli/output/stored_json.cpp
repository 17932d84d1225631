#include "cli/output/stored_json.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

const nlohmann::json* Field(const nlohmann::json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

template <typename Whole>
Whole WholeField(const nlohmann::json& object, const char* key, Whole fallback) {
    const nlohmann::json* value = Field(object, key);
    if (!value || !value->is_number()) return fallback;
    using Limits = std::numeric_limits<Whole>;
    if (value->is_number_unsigned()) {
        const std::uint64_t n = value->get<std::uint64_t>();
        return n <= static_cast<std::uint64_t>(Limits::max()) ? static_cast<Whole>(n) : fallback;
    }
    if (value->is_number_integer()) {
        const std::int64_t n = value->get<std::int64_t>();
        const bool fits =
            n >= static_cast<std::int64_t>(Limits::min()) && n <= static_cast<std::int64_t>(Limits::max());
        return fits ? static_cast<Whole>(n) : fallback;
    }
    const double n = value->get<double>();
    const bool fits =
        std::floor(n) == n && n >= static_cast<double>(Limits::min()) && n <= static_cast<double>(Limits::max());
    return fits ? static_cast<Whole>(n) : fallback;
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

}  // namespace

std::string FieldText(const nlohmann::json& object, const char* key, const std::string& fallback) {
    const nlohmann::json* value = Field(object, key);
    return value && value->is_string() ? value->get<std::string>() : fallback;
}

double FieldNumber(const nlohmann::json& object, const char* key, double fallback) {
    const nlohmann::json* value = Field(object, key);
    return value && value->is_number() ? value->get<double>() : fallback;
}

int FieldInt(const nlohmann::json& object, const char* key, int fallback) {
    return WholeField<int>(object, key, fallback);
}

unsigned FieldUnsigned(const nlohmann::json& object, const char* key, unsigned fallback) {
    return WholeField<unsigned>(object, key, fallback);
}

void ObjectLines::Add(const char* data, size_t size, const OnObject& onObject) {
    while (size > 0) {
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', size));
        const size_t piece = lf ? static_cast<size_t>(lf - data) : size;
        if (!overlong_ && pending_.size() + piece > kMaxObjectLine) {
            ++damaged_;
            overlong_ = true;
            pending_.clear();
        }
        if (!overlong_) pending_.append(data, piece);
        if (!lf) return;
        if (!overlong_) Line(onObject);
        overlong_ = false;
        pending_.clear();
        data += piece + 1;
        size -= piece + 1;
    }
}

void ObjectLines::End(const OnObject& onObject) {
    if (!overlong_) Line(onObject);
    overlong_ = false;
    pending_.clear();
}

void ObjectLines::Line(const OnObject& onObject) {
    if (IsBlank(pending_)) return;
    nlohmann::json object = nlohmann::json::parse(pending_, nullptr, false);
    if (object.is_object())
        onObject(std::move(object));
    else
        ++damaged_;
}

std::string DamagedLinesNote(size_t damaged, const std::string& place) {
    return "tqm530r: skipped " + std::to_string(damaged) + " damaged line(s) in " + place;
}
