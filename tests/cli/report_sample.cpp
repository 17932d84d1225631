// A sample run for the report's tests: 200 devices in four waves (2, 18, 80,
// 100) of up to 16 at once, a soak after each wave but the last, one device
// failed after a retry, three skipped as current, one reason with bytes that
// are not UTF-8. Writes the page and the metrics, and on stdout one line a
// device: label, result and reason as the page must show them (tab between).
// The page in the operator's language (TQM530R_LANG=ja: in Japanese).
//   report_sample PAGE.html METRICS.prom
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/output/messages.h"
#include "cli/output/visible_text.h"
#include "cli/report/html_report.h"
#include "cli/report/metrics.h"

namespace {

constexpr int kDevices = 200;
constexpr int kJobs = 16;
constexpr int kFailed = 12;  // in the second wave
constexpr double kSoak = 30;
const std::vector<int> kWaves = {2, 18, 80, 100};

std::string Label(int i) { return "10.20." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1) + ":23"; }

std::string Mac(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "02:4c:1a:00:%02x:%02x", i / 256, i % 256);
    return text;
}

void Phase(DeviceReport& d, DevicePhase phase, double& at, double seconds) {
    d.phases.push_back({phase, at, at + seconds});
    at += seconds;
}

// One device's update from at; returns its end.
double RunDevice(DeviceReport& d, int i, double at) {
    d.start = at;
    d.attempts = 1;
    d.before = i % 67 == 5 ? "1.0.05" : "1.0.01";
    Phase(d, DevicePhase::Connect, at, 0.25 + (i % 5) * 0.03);
    if (d.before == "1.0.05") {
        d.result = DeviceResult::Skipped;
        d.after = d.before;
        d.reason = i == 5 ? std::string("already runs 1.0.05 (banner \"ver.\xC3\x28 1.0.05\")") : "already runs 1.0.05";
        d.end = at;
        return at;
    }
    if (i == kFailed) {
        Phase(d, DevicePhase::Transfer, at, 0.3);
        Phase(d, DevicePhase::Retry, at, 2);
        Phase(d, DevicePhase::Connect, at, 0.3);
        Phase(d, DevicePhase::Transfer, at, 0.7);
        Phase(d, DevicePhase::Check, at, 30);
        d.attempts = 2;
        d.result = DeviceResult::Failed;
        d.reason = "no \"sum  :\" after \"check\" (the device refused the image?) <b>&</b>";
        d.end = at;
        return at;
    }
    Phase(d, DevicePhase::Transfer, at, 0.6 + (i % 7) * 0.04);
    Phase(d, DevicePhase::Check, at, 0.2);
    Phase(d, DevicePhase::Flash, at, 7.5 + (i % 3) * 0.5);
    Phase(d, DevicePhase::Reset, at, 2);
    Phase(d, DevicePhase::Verify, at, 3 + (i % 4) * 0.5);
    d.result = DeviceResult::Verified;
    d.after = "1.0.05";
    d.reason = "running 1.0.05 after the reset";
    d.end = at;
    return at;
}

RunReport SampleRun() {
    RunReport r;
    r.imageVersion = "1.0.05";
    r.imageSha256 = "3f1c0e8d9a7b6c5d4e3f2a1b0c9d8e7f6a5b4c3d2e1f0a9b8c7d6e5f4a3b2c1d";
    r.imageSource = "carried";
    r.startTime = 1796670000;  // 2026-12-07T19:00:00Z
    r.host = "ops-laptop-07";
    r.options = "tqm530r update --all --yes --jobs 16 --waves 1%,10%,50%,100% --soak 30 --report run.html";
    r.waves = kWaves;
    double waveStart = 0;
    int first = 0;
    for (size_t w = 0; w < kWaves.size(); ++w) {
        std::vector<double> slots(kJobs, waveStart);
        double waveEnd = waveStart;
        std::vector<DeviceReport*> wave;
        for (int i = first; i < first + kWaves[w]; ++i) {
            r.devices.emplace_back();
            DeviceReport& d = r.devices.back();
            d.label = Label(i);
            d.address = d.label.substr(0, d.label.find(':'));
            d.mac = Mac(i);
            d.wave = static_cast<int>(w) + 1;
            auto slot = std::min_element(slots.begin(), slots.end());
            *slot = RunDevice(d, i, *slot);
            waveEnd = std::max(waveEnd, *slot);
        }
        const bool soak = w + 1 < kWaves.size();
        for (int i = first; soak && i < first + kWaves[w]; ++i) {
            DeviceReport& d = r.devices[static_cast<size_t>(i)];
            if (d.result != DeviceResult::Verified) continue;
            // The soak's wait and the read after it: after the device's own end.
            d.phases.push_back({DevicePhase::Soak, waveEnd, waveEnd + kSoak + 0.4});
        }
        waveStart = waveEnd + (soak ? kSoak + 0.5 : 0);
        first += kWaves[w];
    }
    r.endTime = r.startTime + waveStart;
    r.exitCode = 1;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: report_sample PAGE.html METRICS.prom\n");
        return 2;
    }
    SetMessageLanguage(OperatorLanguage());
    const RunReport run = SampleRun();
    std::ofstream page(argv[1], std::ios::binary);
    WriteHtmlReport(run, page);
    page.close();
    std::string error;
    if (!page || !WriteMetrics(run, argv[2], error)) {
        std::fprintf(stderr, "report_sample: %s\n", error.empty() ? "cannot write the page" : error.c_str());
        return 1;
    }
    for (const DeviceReport& d : run.devices)
        std::cout << d.label << '\t' << ResultName(d.result) << '\t' << ValidUtf8(d.reason) << '\n';
    return 0;
}
