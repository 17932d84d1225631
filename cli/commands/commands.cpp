#include "cli/commands/commands.h"

#include "cli/commands/command_line.h"
#include "cli/output/messages.h"

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"detect", N_("one SSDP search: the TQM-530R devices on the segment (entry, IP, MAC)"),
         [](CLI::App& c, CommandLine& l) { AddDetectOptions(c, l.detect, l.main); },
         [](const CommandLine& l, const ImageReport&) { return RunDetect(l.detect); }},
        {"version", N_("a device's firmware version, the image's, and the verdict"),
         [](CLI::App& c, CommandLine& l) { AddVersionOptions(c, l.version, l.main); },
         [](const CommandLine& l, const ImageReport& image) { return RunVersion(l.version, image); }},
        {"update", N_("write the image into devices, in parallel, and verify each"),
         [](CLI::App& c, CommandLine& l) { AddUpdateOptions(c, l.update, l.main); },
         [](const CommandLine& l, const ImageReport& image) { return RunUpdate(l.update, l.main, image); }},
        {"plan", N_("what update would do to each device, writing nothing"),
         [](CLI::App& c, CommandLine& l) { AddPlanOptions(c, l.plan, l.main); },
         [](const CommandLine& l, const ImageReport& image) { return RunPlan(l.plan, image); }},
        {"erase", N_("erase the device's flash blocks 20000..F0000 (maintenance)"),
         [](CLI::App& c, CommandLine& l) { AddEraseOptions(c, l.erase, l.main); },
         [](const CommandLine& l, const ImageReport&) { return RunErase(l.erase); }},
        {"mac", N_("write the last two bytes of the device's MAC address (02-4C-1A-03-XX-XX)"),
         [](CLI::App& c, CommandLine& l) { AddMacOptions(c, l.mac, l.main); },
         [](const CommandLine& l, const ImageReport&) { return RunMac(l.mac); }},
        {"image", N_("the image: version, size, lines, ranges, start, SHA-256, self-check"),
         [](CLI::App& c, CommandLine& l) { AddImageOptions(c, l.image, l.main); },
         [](const CommandLine& l, const ImageReport& image) { return RunImage(l.image, image); }},
        {"history", N_("the updates, erases and MAC writes done from this machine"),
         [](CLI::App& c, CommandLine& l) { AddHistoryOptions(c, l.history, l.main); },
         [](const CommandLine& l, const ImageReport&) { return RunHistory(l.history, l.main.arguments); }},
    };
    return commands;
}
