// tqm530r: the updater's core from a command line (Linux and Windows).
#include <cstdio>
#include <string>

#include "cli/commands/command_line.h"
#include "cli/commands/exit_codes.h"
#include "cli/fleet/child_protocol.h"
#include "cli/fleet/interruption.h"
#include "cli/image/image_check.h"
#include "cli/image/image_file_load.h"
#include "cli/output/messages.h"
#include "cli/output/terminal.h"
#include "cli/output/trace_file.h"
#include "cli/platform/program_entry.h"
#include "firmware/firmware_image.h"
#include "net/trace.h"

namespace {

// The command over its image, unless --image-sha256 pins another. An update
// child checks the SHA-256 its parent confirmed instead (and records why).
int RunWithImage(const CommandLine& line, const ImageReport& image) {
    const std::string problem = line.main.job.empty() ? PinnedImageProblem(image, line.main.imageSha256) : "";
    if (problem.empty()) return line.command->run(line, image);
    PrintTo(stderr, "tqm530r: %s\n", TrText(problem).c_str());
    return kExitImage;
}

}  // namespace

int ToolMain(int argc, char** argv) {
    PrepareStandardStreams();
    SetMessageLanguage(OperatorLanguage());
    FirmwareImageView carried;
    if (!LoadFirmwareImage(nullptr, carried)) {
        PrintTo(stderr, Tr("tqm530r: the carried firmware image is missing\n"));
        return kExitImage;
    }
    const ImageReport image = CheckImage(carried.text, carried.size);
    const std::string versionText = "tqm530r " TQM530R_VERSION ", carried image " +
                                    (image.version.empty() ? std::string("without version") : image.version);
    CommandLine line;
    const int parsed = ParseCommandLine(argc, argv, versionText, line);
    if (parsed >= 0) return parsed;
    const MainSettings& options = line.main;
    static TraceFile trace;  // update's children open it again and append their own lines
    if (!options.tracePath.empty()) {
        std::string error;
        if (!trace.Open(options.tracePath, error)) {
            PrintTo(stderr, "tqm530r: --trace: %s\n", TrText(error).c_str());
            return kExitUsage;
        }
        NetTrace = &trace;
        UpdateJobTarget job;
        if (!options.job.empty() && ParseJobArgument(options.job, job)) trace.NameConnections(job.target.name);
    }
    if (options.imagePath.empty()) return RunWithImage(line, image);
    // Read once and kept for the run: the engine sends from these bytes in place.
    static std::string fileBytes;
    FirmwareImageView file;
    std::string error;
    if (!UseImageFile(options.imagePath, fileBytes, file, error)) {
        PrintTo(stderr, Tr("tqm530r: %s: %s; nothing sent\n"), options.imagePath.c_str(), TrText(error).c_str());
        return kExitImage;
    }
    ImageReport fileImage = CheckImage(file.text, file.size);
    fileImage.source = options.imagePath;
    return RunWithImage(line, fileImage);
}
