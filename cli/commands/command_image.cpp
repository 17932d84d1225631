#include "cli/commands/command_image.h"

#include <cstdio>

#include "cli/commands/common_options.h"
#include "cli/commands/aligned_text.h"
#include "cli/commands/exit_codes.h"
#include "cli/output/messages.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"

namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", value);
    return text;
}

}  // namespace

void AddImageOptions(CLI::App& c, ImageOptions& o, MainSettings& main) {
    AddImage(c, main);
    AddImageSha256(c, main);
    AddJson(c, o.json, N_("print one JSON object"));
}

int RunImage(const ImageOptions& o, const ImageReport& image) {
    const bool sound = ImageIsSound(image);
    if (o.json) {
        nlohmann::json ranges = nlohmann::json::array();
        for (const AddressRange& r : image.ranges) ranges.push_back({{"first", Hex(r.first)}, {"last", Hex(r.last)}});
        PrintJsonDocument({{"image", image.source},
                           {"version", image.version},
                           {"size", image.size},
                           {"lines", image.lines},
                           {"records", image.records},
                           {"ranges", ranges},
                           {"start", image.hasStart ? nlohmann::json(Hex(image.start)) : nlohmann::json()},
                           {"sha256", image.sha256},
                           {"bad_records", image.badRecords},
                           {"checksums_ok", sound}});
        return sound ? kExitOk : kExitImage;
    }
    std::vector<LabelledLine> lines = {
        {Tr("image"), image.source},
        {Tr("version"), image.version.empty() ? Tr("(no version record)") : VisibleText(image.version)},
        {Tr("size"), Formatted(Tr("%u bytes"), image.size)},
        {Tr("lines"), Formatted(Tr("%u (%u records)"), image.lines, image.records)}};
    for (size_t i = 0; i < image.ranges.size(); ++i)
        lines.push_back({i == 0 ? Tr("ranges") : "",
                         Formatted(Tr("%s..%s (%u bytes)"), Hex(image.ranges[i].first).c_str(),
                                   Hex(image.ranges[i].last).c_str(),
                                   image.ranges[i].last - image.ranges[i].first + 1)});
    lines.push_back({Tr("start"), image.hasStart ? Hex(image.start) : "-"});
    lines.push_back({Tr("sha256"), image.sha256});
    lines.push_back({Tr("self-check"), sound ? Tr("every record's checksum is right") : TrText(ImageProblem(image))});
    WriteText(stdout, LabelledLines(lines, 1));
    return sound ? kExitOk : kExitImage;
}
