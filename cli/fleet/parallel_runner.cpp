#include "cli/fleet/parallel_runner.h"

#include <chrono>
#include <memory>

#include "cli/fleet/subprocess.h"
#include "cli/output/progress_display.h"
#include "cli/output/stored_json.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    size_t index = 0;
    std::unique_ptr<Subprocess> process;
    std::string received;
    ObjectLines events;
    // Still silent then: hung. silenceMs is the bound it came from; once
    // hung, silence says so ("silent for 310 s").
    Clock::time_point deadline = Clock::time_point::max();
    long long silenceMs = 0;
    std::string silence;
};

// The child said something: its silence counts from now, with the bound its
// last word allows. A hung child's grace is not stretched.
void Heard(const ParallelJobs& p, Child& c, const nlohmann::json& event) {
    if (!p.silenceBoundMs || !c.silence.empty()) return;
    c.silenceMs = p.silenceBoundMs(event);
    c.deadline = Clock::now() + std::chrono::milliseconds(c.silenceMs);
}

bool Start(const ParallelJobs& p, size_t index, std::vector<Child>& running) {
    Child child;
    child.index = index;
    child.process = std::make_unique<Subprocess>();
    std::string error;
    if (!child.process->Start(p.childArguments(index), error)) {
        p.onExit(index, error, false);
        return false;
    }
    Heard(p, child, nlohmann::json::object());
    running.push_back(std::move(child));
    if (p.onStart) p.onStart(index);
    return true;
}

// Hands on what a child sent; true when its pipe has closed.
bool Drain(const ParallelJobs& p, Child& c) {
    const bool open = c.process->Read(c.received);
    c.events.Add(c.received, [&](nlohmann::json&& event) {
        Heard(p, c, event);
        p.onEvent(c.index, event);
    });
    c.received.clear();
    return !open;
}

void Finish(const ParallelJobs& p, Child& c) {
    c.events.End([&](nlohmann::json&& event) { p.onEvent(c.index, event); });
    if (c.events.Damaged() > 0 && p.onDamagedLines) p.onDamagedLines(c.index, c.events.Damaged());
    bool clean = false;
    std::string text = c.process->Reap(clean, p.endBoundMs);
    if (!c.silence.empty()) {
        text = c.silence + ", asked to stop: " + text;
        clean = false;
    }
    p.onExit(c.index, text, clean);
}

// A child silent past its bound is asked to stop; one still there when its
// grace is over is killed and reported. True when c has ended.
bool EndIfHung(const ParallelJobs& p, Child& c, Clock::time_point now) {
    if (now < c.deadline) return false;
    if (c.silence.empty()) {
        c.silence = "silent for " + SecondsText(static_cast<double>(c.silenceMs) / 1000);
        if (p.onOverdue) p.onOverdue(c.index, c.silence);
        c.process->RequestStop();
        c.deadline = now + std::chrono::milliseconds(p.stopGraceMs);
        return false;
    }
    c.process->Kill();
    Drain(p, c);
    Finish(p, c);
    return true;
}

std::vector<Subprocess*> Processes(const std::vector<Child>& running) {
    std::vector<Subprocess*> processes;
    for (const Child& c : running) processes.push_back(c.process.get());
    return processes;
}

// Jobs in order, at most p.jobs at once: the scheduler when none is given.
struct InOrder {
    const ParallelJobs& p;
    size_t next = 0;
    std::vector<size_t> Next(size_t running) {
        const size_t limit = p.jobs == 0 ? p.count : p.jobs;
        std::vector<size_t> start;
        while (next < p.count && running + start.size() < limit) start.push_back(next++);
        return start;
    }
};

}  // namespace

bool RunParallel(const ParallelJobs& p) {
    InOrder inOrder{p};
    auto more = [&] { return p.moreJobs ? p.moreJobs() : inOrder.next < p.count; };
    std::vector<Child> running;
    bool allStarted = true;
    bool stopping = false;
    while ((!stopping && more()) || !running.empty()) {
        if (!stopping && p.interrupted && p.interrupted()) {
            stopping = true;
            for (Child& c : running) c.process->RequestStop();
        }
        if (!stopping) {
            const std::vector<size_t> start = p.nextJobs ? p.nextJobs() : inOrder.Next(running.size());
            for (size_t index : start) allStarted = Start(p, index, running) && allStarted;
        }
        const std::vector<size_t> ready = WaitForOutput(Processes(running), p.tickMs);
        for (size_t k = ready.size(); k-- > 0;) {
            Child& c = running[ready[k]];
            if (!Drain(p, c)) continue;
            Finish(p, c);
            running.erase(running.begin() + static_cast<long>(ready[k]));
        }
        const Clock::time_point now = Clock::now();
        for (size_t k = running.size(); k-- > 0;)
            if (EndIfHung(p, running[k], now)) running.erase(running.begin() + static_cast<long>(k));
        if (p.onTick && !p.onTick()) break;
    }
    return allStarted;
}
