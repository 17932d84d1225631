#include "cli/image/image_file_load.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/image/image_check.h"
#include "cli/platform/file_path.h"
#include "firmware/firmware_image.h"

namespace fs = std::filesystem;

namespace {

std::string LinePrefix(const ImageFileCheck& check) {
    return check.line == 0 ? std::string() : "line " + std::to_string(check.line) + ": ";
}

std::string FaultText(const ImageFileCheck& check) {
    switch (check.fault) {
    case ImageFileFault::None: return {};
    case ImageFileFault::Empty: return "the file is empty";
    case ImageFileFault::ZeroByte: return "a zero byte";
    case ImageFileFault::NoCrLf: return "does not end in CR LF";
    case ImageFileFault::NotRecord: return "not an S-record (\"S\", a type digit, upper-case hexadecimal pairs)";
    case ImageFileFault::BadRecord: return RecordFaultText(check.record);
    case ImageFileFault::NoVersion:
        return "no version record (an S2 record at 020200 whose data are \"ver.\", the version and a zero byte)";
    case ImageFileFault::BadVersion:
        return "the version record's text \"" + std::string(check.version) + "\" is not a version N.N.N";
    }
    return "refused";
}

}  // namespace

std::string ImageFileProblem(const ImageFileCheck& check) { return LinePrefix(check) + FaultText(check); }

bool ReadImageFile(const std::string& path, std::string& bytes, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(FilePath(path), ec);
    if (ec || !fs::exists(status)) {
        error = "cannot read it: " + (ec ? ec.message() : std::string("no such file"));
        return false;
    }
    if (!fs::is_regular_file(status)) {
        error = "not a regular file";
        return false;
    }
    const std::uintmax_t size = fs::file_size(FilePath(path), ec);
    if (ec || size > kMaxImageFileSize) {
        error = ec ? "cannot read its size: " + ec.message() : "larger than 16 MiB";
        return false;
    }
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) {
        error = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    // One byte more than its size: a file that grows meanwhile is refused, not read on.
    bytes.assign(static_cast<size_t>(size) + 1, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() != size) {
        error = "the file changed while it was read";
        return false;
    }
    return true;
}

bool UseImageFile(const std::string& path, std::string& bytes, FirmwareImageView& image, std::string& error) {
    if (!ReadImageFile(path, bytes, error)) return false;
    const ImageFileCheck check = CheckImageFile(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (check.fault != ImageFileFault::None) {
        error = ImageFileProblem(check);
        return false;
    }
    image = {bytes.data(), static_cast<uint32_t>(bytes.size())};
    return true;
}
