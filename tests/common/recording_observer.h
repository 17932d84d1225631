#pragma once

// What the engine tells its observer, kept for the checks: the values the
// dialog would show, in order, and the phases as they began.
#include <utility>
#include <vector>

#include "console/firmware_transfer.h"

struct RecordingObserver : UpdateObserver {
    std::vector<int> percents;                         // every value shown
    std::vector<std::pair<unsigned, int>> beforeLine;  // (bytes sent, percent shown) before each line
    std::vector<UpdatePhase> phases;
    int finished = -1;

    void OnPhase(UpdatePhase phase, int percent) override {
        phases.push_back(phase);
        if (phase == UpdatePhase::Flash) percents.push_back(percent);
    }
    void OnLine(int percent, unsigned sent, unsigned) override {
        percents.push_back(percent);
        beforeLine.emplace_back(sent, percent);
    }
    void OnFlashComplete(int) override { percents.push_back(kPercentFlashComplete); }
    void OnFinished(bool ok) override { finished = ok ? 1 : 0; }
};
