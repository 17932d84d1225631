#include <windows.h>

#include <vector>

#include "cli/fleet/command_line_quote.h"
#include "cli/fleet/subprocess.h"
#include "cli/platform/windows_file.h"

// The child's standard input is a pipe that only the parent writes to; it
// closes when the parent asks the child to stop, or when the parent dies.
struct Subprocess::Os {
    HANDLE process = nullptr;
    HANDLE output = nullptr;  // the read end of the child's standard output
    HANDLE input = nullptr;   // the write end of the child's standard input
    bool killed = false;
};

namespace {

// A child runs in a console of its own that has no window, in a group of its
// own: closing the operator's window (CTRL_CLOSE_EVENT, which Windows follows
// by ending every process attached to that console) or Ctrl+C there never
// reaches it. It hears the parent only through its standard input, so one
// past "flash" finishes reset and verify and writes its history record. Its
// standard error is the parent's, duplicated: what it writes shows there
// while that console lasts and is dropped after.
constexpr DWORD kChildCreation = CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT;
// How long a killed child may take to be gone.
constexpr DWORD kKilledEndMs = 5000;

// This program's own file, opened when the program starts and held until it
// ends. Windows lets a running program's file be renamed (an upgrade moves it
// aside and puts the new build in its place); this handle shares reading
// only, so neither a rename, a delete nor a write can happen while a run
// goes, and every child started from its path runs the parent's own build.
struct OwnExecutable {
    std::wstring path;
    HANDLE held = INVALID_HANDLE_VALUE;
    DWORD error = 0;  // why it is not held
};

OwnExecutable HoldOwnExecutable() {
    OwnExecutable own;
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) {
        own.error = n == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        return own;
    }
    path.resize(n);
    own.path = path;
    own.held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (own.held == INVALID_HANDLE_VALUE) own.error = GetLastError();
    return own;
}

const OwnExecutable Own = HoldOwnExecutable();

std::string LastErrorText(const char* what) {
    return std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
}

void CloseIf(HANDLE& h) {
    if (h) CloseHandle(h);
    h = nullptr;
}

// A console handle of Windows 7 and older (its two low bits set) is no
// kernel handle: it cannot stand in a handle list, and a child in a console
// of its own could not use it anyway.
bool IsConsolePseudoHandle(HANDLE h) { return (reinterpret_cast<ULONG_PTR>(h) & 3) == 3; }

// The child's three standard handles; only these ever reach it.
struct ChildEnds {
    HANDLE in = nullptr;
    HANDLE out = nullptr;
    HANDLE err = nullptr;

    ~ChildEnds() {
        CloseIf(in);
        CloseIf(out);
        CloseIf(err);
    }
    // The handles the child inherits: each once (a handle twice in the list
    // fails the start), no console pseudo handle.
    std::vector<HANDLE> Inherited() const {
        std::vector<HANDLE> list{in, out};
        if (err && !IsConsolePseudoHandle(err)) list.push_back(err);
        return list;
    }
};

// The parent's ends stay private; the child's are made inheritable, and
// the handle list keeps every other child from inheriting them.
bool MakePipes(Subprocess::Os& os, ChildEnds& ends, std::string& error) {
    if (!CreatePipe(&os.output, &ends.out, nullptr, 0) || !CreatePipe(&ends.in, &os.input, nullptr, 0)) {
        error = LastErrorText("cannot make a pipe");
        return false;
    }
    if (!SetHandleInformation(ends.in, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
        !SetHandleInformation(ends.out, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        error = LastErrorText("cannot pass a pipe to the device's process");
        return false;
    }
    return true;
}

// The parent's standard error, duplicated as inheritable; none when the
// parent has none.
bool ShareStandardError(ChildEnds& ends, std::string& error) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return true;
    if (DuplicateHandle(GetCurrentProcess(), err, GetCurrentProcess(), &ends.err, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return true;
    ends.err = nullptr;
    error = LastErrorText("cannot pass standard error to the device's process");
    return false;
}

// The attribute list that names the handles the child inherits.
class HandleList {
public:
    HandleList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {}
    ~HandleList() {
        if (ready_) DeleteProcThreadAttributeList(list());
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;

    bool Prepare(std::string& error) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);  // fails by design, with the size needed
        storage_.resize(size);
        if (size == 0 || !InitializeProcThreadAttributeList(list(), 1, 0, &size)) {
            error = LastErrorText("cannot make the device's process's handle list");
            return false;
        }
        ready_ = true;
        if (UpdateProcThreadAttribute(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                      handles_.size() * sizeof(HANDLE), nullptr, nullptr))
            return true;
        error = LastErrorText("cannot set the device's process's handle list");
        return false;
    }
    LPPROC_THREAD_ATTRIBUTE_LIST list() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()); }

private:
    std::vector<HANDLE> handles_;  // read by CreateProcessW, so it lives as long as the list
    std::vector<char> storage_;
    bool ready_ = false;
};

}  // namespace

Subprocess::Subprocess() : os_(new Os) {}

Subprocess::~Subprocess() {
    CloseIf(os_->output);
    CloseIf(os_->input);
    CloseIf(os_->process);
}

bool Subprocess::Start(const std::vector<std::string>& arguments, std::string& error) {
    if (Own.held == INVALID_HANDLE_VALUE) {
        error = "cannot start the device's process: this program's own file could not be held open (error " +
                std::to_string(Own.error) + ")";
        return false;
    }
    ChildEnds ends;
    if (!MakePipes(*os_, ends, error) || !ShareStandardError(ends, error)) return false;
    HandleList inherited(ends.Inherited());
    if (!inherited.Prepare(error)) return false;
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = ends.in;
    startup.StartupInfo.hStdOutput = ends.out;
    startup.StartupInfo.hStdError = ends.err;
    startup.lpAttributeList = inherited.list();
    std::vector<std::string> all{"tqm530r.exe"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = Wide(WindowsCommandLine(all));
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(Own.path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, kChildCreation, nullptr, nullptr,
                        &startup.StartupInfo, &info)) {
        error = LastErrorText("cannot start the device's process");
        return false;
    }
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

void Subprocess::Kill() {
    if (os_->process && TerminateProcess(os_->process, 1)) os_->killed = true;
}

std::string Subprocess::Reap(bool& clean, int boundMs) {
    clean = false;
    std::string text;
    if (WaitForSingleObject(os_->process, static_cast<DWORD>(boundMs)) != WAIT_OBJECT_0) {
        Kill();
        const bool ended = WaitForSingleObject(os_->process, kKilledEndMs) == WAIT_OBJECT_0;
        text = KilledAfterText(boundMs, ended ? "killed" : "still running");
    }
    DWORD code = 1;
    if (text.empty() && !os_->killed) GetExitCodeProcess(os_->process, &code);
    CloseIf(os_->process);
    CloseIf(os_->input);
    if (!text.empty()) return text;
    if (os_->killed) return "killed";
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
