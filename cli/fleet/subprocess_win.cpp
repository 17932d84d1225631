#include <windows.h>

#include "cli/fleet/command_line_quote.h"
#include "cli/fleet/subprocess.h"
#include "cli/platform/windows_file.h"

// The child's standard input is a pipe that only the parent writes to; it
// closes when the parent asks the child to stop, or when the parent dies.
struct Subprocess::Os {
    HANDLE process = nullptr;
    HANDLE output = nullptr;  // the read end of the child's standard output
    HANDLE input = nullptr;   // the write end of the child's standard input
};

namespace {

// A child runs in a console of its own that has no window, in a group of its
// own: closing the operator's window (CTRL_CLOSE_EVENT, which Windows follows
// by ending every process attached to that console) or Ctrl+C there never
// reaches it. It hears the parent only through its standard input, so one
// past "flash" finishes reset and verify and writes its history record. Its
// standard error is the parent's console handle, duplicated: what it writes
// shows there while that console lasts and is dropped after.
constexpr DWORD kChildCreation = CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;

std::wstring OwnExecutable() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n);
    return path;
}

std::string LastErrorText(const char* what) {
    return std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
}

void CloseIf(HANDLE& h) {
    if (h) CloseHandle(h);
    h = nullptr;
}

// Pipe ends made inheritable one by one, so that no other child inherits them.
HANDLE Inheritable(HANDLE h) {
    SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return h;
}

}  // namespace

Subprocess::Subprocess() : os_(new Os) {}

Subprocess::~Subprocess() {
    CloseIf(os_->output);
    CloseIf(os_->input);
    CloseIf(os_->process);
}

bool Subprocess::Start(const std::vector<std::string>& arguments, std::string& error) {
    HANDLE childOut = nullptr, childIn = nullptr, childErr = nullptr;
    if (!CreatePipe(&os_->output, &childOut, nullptr, 0) || !CreatePipe(&childIn, &os_->input, nullptr, 0)) {
        error = LastErrorText("cannot make a pipe");
        CloseIf(childOut);
        return false;
    }
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &childErr, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(childIn);
    startup.hStdOutput = Inheritable(childOut);
    startup.hStdError = childErr;
    const std::wstring program = OwnExecutable();
    std::vector<std::string> all{"tqm530r.exe"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = Wide(WindowsCommandLine(all));
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, kChildCreation,
                                        nullptr, nullptr, &startup, &info);
    if (!started) error = LastErrorText("cannot start the device's process");
    CloseIf(childIn);
    CloseIf(childOut);
    CloseIf(childErr);
    if (!started) return false;
    CloseHandle(info.hThread);
    os_->process = info.hProcess;
    return true;
}

bool Subprocess::Read(std::string& received) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(os_->output, nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available == 0) return true;
        char buffer[4096];
        DWORD got = 0;
        const DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
        if (!ReadFile(os_->output, buffer, want, &got, nullptr) || got == 0) return false;
        received.append(buffer, got);
    }
}

void Subprocess::RequestStop() { CloseIf(os_->input); }

std::string Subprocess::Reap(bool& clean) {
    WaitForSingleObject(os_->process, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(os_->process, &code);
    CloseIf(os_->process);
    CloseIf(os_->input);
    clean = code == 0;
    return "exit " + std::to_string(code);
}

// Anonymous pipes cannot be waited on: look at each in turn, briefly asleep
// between the looks.
std::vector<size_t> WaitForOutput(const std::vector<Subprocess*>& children, int timeoutMs) {
    std::vector<size_t> ready;
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        for (size_t i = 0; i < children.size(); ++i) {
            DWORD available = 0;
            if (!PeekNamedPipe(children[i]->os_->output, nullptr, 0, nullptr, &available, nullptr) || available > 0)
                ready.push_back(i);
        }
        if (!ready.empty() || GetTickCount64() >= until) return ready;
        Sleep(10);
    }
}

bool WriteToParent(const std::string& line) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    size_t done = 0;
    while (done < line.size()) {
        DWORD written = 0;
        if (!WriteFile(out, line.data() + done, static_cast<DWORD>(line.size() - done), &written, nullptr))
            return false;
        done += written;
    }
    return true;
}
