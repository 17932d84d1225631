#include "cli/image/image_check.h"

#include <cstring>

ImageReport CheckImage(const char* text, uint32_t size) {
    const SRecordImage image = ReadSRecordImage(text, size);
    ImageReport report;
    report.bytes = {text, size};
    if (image.hasVersion) report.version.assign(image.version, strnlen(image.version, sizeof image.version));
    report.size = size;
    report.lines = image.lines;
    report.records = image.records;
    report.badRecords = image.badRecords;
    report.firstBadLine = image.firstBad.line;
    report.firstBadFault = image.firstBad.fault;
    report.ranges = image.ranges;
    report.hasStart = image.hasStart;
    report.start = image.start;
    report.sha256 = Sha256Hex(text, size);
    return report;
}

bool ImageIsSound(const ImageReport& report) {
    return !report.version.empty() && report.badRecords == 0 && report.records > 0;
}

const char* RecordFaultText(SRecordFault fault) {
    switch (fault) {
    case SRecordFault::None: return "sound";
    case SRecordFault::BadStart: return "not S and a record type";
    case SRecordFault::NotHex: return "a character that is not a hexadecimal digit";
    case SRecordFault::OddLength: return "an odd number of digits";
    case SRecordFault::TooShort: return "too short for its type";
    case SRecordFault::CountMismatch: return "the byte count disagrees with the length";
    case SRecordFault::BadChecksum: return "a wrong checksum";
    case SRecordFault::PastAddressSpace: return "data beyond address FFFFFFFF";
    }
    return "unknown fault";
}

std::string ImageProblem(const ImageReport& report) {
    if (report.records == 0) return "the image holds no S-records";
    if (report.version.empty()) return "the image has no version record";
    if (report.badRecords > 0)
        return std::to_string(report.badRecords) + " record(s) with a wrong checksum or form, the first on line " +
               std::to_string(report.firstBadLine) + " (" + RecordFaultText(report.firstBadFault) + ")";
    return {};
}

std::string PinnedImageProblem(const ImageReport& report, const std::string& pinned) {
    if (pinned.empty() || pinned == report.sha256) return {};
    return "the " + report.source + " image has SHA-256 " + report.sha256 + ", not " + pinned +
           " (--image-sha256); nothing sent";
}
