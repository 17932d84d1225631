// dialog_probe: prints the updater dialog's control texts and states as UTF-8
// lines, read from another process with the standard control messages, so
// the Wine tests compare words rather than pixels.
//   dialog_probe.exe                    the updater dialog's texts and states
//   dialog_probe.exe --box TITLE        every text inside a message box
//   dialog_probe.exe --press TITLE ID   posts WM_COMMAND ID to that message box
//   dialog_probe.exe --select INDEX     selects a list entry as the operator would
//   dialog_probe.exe --click ID         clicks the dialog's button ID
//   dialog_probe.exe --activate         makes the dialog the foreground window
//   dialog_probe.exe --windows          lists the top-level windows and the foreground one
// Exit 1 when no such window is open. A first "--desktop NAME" looks on that
// desktop (a Wine virtual desktop) instead of the default one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/resource.h"

namespace {

std::string ToUtf8(const char* ansi) {
    wchar_t wide[4096];
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 4096);
    if (n <= 0) return "";
    char utf8[8192];
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    return m > 0 ? utf8 : "";
}

// One line per text: a line break inside a text is written as "\n".
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// Titles given on the command line arrive in the ANSI code page; the
// built-in title is UTF-8.
std::wstring Wide(const char* text, UINT codePage) {
    wchar_t wide[1024] = {};
    MultiByteToWideChar(codePage, 0, text, -1, wide, 1024);
    return wide;
}

std::string Utf8(const wchar_t* wide) {
    char utf8[8192] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

void PrintText(HWND dialog, const char* name, int id) {
    char text[4096] = {};
    SendDlgItemMessageA(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    std::printf("%s=%s\n", name, OneLine(ToUtf8(text)).c_str());
}

void PrintState(HWND dialog, const char* name, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
        std::printf("%s.enabled=missing\n%s.visible=missing\n", name, name);
        return;
    }
    std::printf("%s.enabled=%d\n%s.visible=%d\n", name, IsWindowEnabled(control) ? 1 : 0, name,
                IsWindowVisible(control) ? 1 : 0);
}

void PrintList(HWND dialog) {
    const LRESULT count = SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_GETCOUNT, 0, 0);
    std::printf("list.count=%ld\n", static_cast<long>(count));
    for (LRESULT i = 0; i < count; ++i) {
        // The wide form: Wine hands this text to another process in UTF-16 only.
        wchar_t entry[512] = {};
        SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
        std::printf("list.%ld=%s\n", static_cast<long>(i), Utf8(entry).c_str());
    }
    const LRESULT selected = SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_GETCURSEL, 0, 0);
    std::printf("list.selected=%ld\n", static_cast<long>(selected));
}

// The updater dialog and its message boxes carry the same title; the dialog
// is the window with a status line.
struct WindowSearch {
    const wchar_t* title;
    bool dialog;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    const bool isDialog = GetDlgItem(window, IDC_STATUS) != nullptr;
    if (lstrcmpW(title, search->title) != 0 || isDialog != search->dialog || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTitled(const std::wstring& title, bool dialog) {
    WindowSearch search{title.c_str(), dialog, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK PrintTopWindow(HWND window, LPARAM) {
    wchar_t title[256] = {};
    char className[128] = {};
    GetWindowTextW(window, title, 256);
    GetClassNameA(window, className, sizeof className);
    std::printf("window=%s|%s|visible=%d\n", className, Utf8(title).c_str(), IsWindowVisible(window) ? 1 : 0);
    return TRUE;
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM) {
    char text[4096] = {};
    GetWindowTextA(child, text, sizeof text);
    if (text[0]) std::printf("text=%s\n", OneLine(ToUtf8(text)).c_str());
    return TRUE;
}

// Whether a key typed now reaches the dialog: it is the foreground window,
// enabled (no message box of its own open), and its thread's focus is on it.
void PrintInput(HWND dialog) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const bool known = GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) != FALSE;
    const bool focusInside = known && gui.hwndFocus && (gui.hwndFocus == dialog || IsChild(dialog, gui.hwndFocus));
    std::printf("dialog.foreground=%d\ndialog.enabled=%d\ndialog.active=%d\nfocus=%d\n",
                GetForegroundWindow() == dialog ? 1 : 0, IsWindowEnabled(dialog) ? 1 : 0,
                known && gui.hwndActive == dialog ? 1 : 0, focusInside ? GetDlgCtrlID(gui.hwndFocus) : -1);
}

void PrintForeground() {
    HWND foreground = GetForegroundWindow();
    wchar_t title[256] = {};
    char className[128] = {};
    if (foreground) {
        GetWindowTextW(foreground, title, 256);
        GetClassNameA(foreground, className, sizeof className);
    }
    std::printf("foreground=%s|%s\n", className, Utf8(title).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--desktop") {
        HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
        if (!desktop || !SetThreadDesktop(desktop)) {
            std::fprintf(stderr, "dialog_probe: no desktop %s\n", argv[2]);
            return 1;
        }
        argc -= 2;
        argv += 2;
    }
    const std::string mode = argc > 1 && argv[1][0] == '-' ? argv[1] : "";
    if (mode == "--windows") {
        EnumWindows(PrintTopWindow, 0);
        PrintForeground();
        return 0;
    }
    if ((mode == "--box" || mode == "--press") && argc > 2) {
        HWND window = FindTitled(Wide(argv[2], CP_ACP), false);
        if (!window) return 1;
        if (mode == "--box") EnumChildWindows(window, PrintChildText, 0);
        if (mode == "--press" && argc > 3) PostMessageA(window, WM_COMMAND, std::atoi(argv[3]), 0);
        return 0;
    }
    const std::wstring title = argc > 1 && mode.empty()
                                   ? Wide(argv[1], CP_ACP)
                                   : Wide(
                                         "TQM-530R \xe3\x83\x95\xe3\x82\xa1\xe3\x83\xbc\xe3\x83\xa0\xe3\x82\xa6"
                                         "\xe3\x82\xa7\xe3\x82\xa2\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83"
                                         "\x87\xe3\x83\xbc\xe3\x83\x88",
                                         CP_UTF8);
    HWND dialog = FindTitled(title, true);
    if (!dialog) {
        std::fprintf(stderr, "dialog_probe: no such window: %s\n", Utf8(title.c_str()).c_str());
        return 1;
    }
    if (mode == "--click" && argc > 2) {
        // Only what the operator could click: a visible, enabled button.
        const int id = std::atoi(argv[2]);
        HWND button = GetDlgItem(dialog, id);
        if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return 1;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return 0;
    }
    if (mode == "--activate") return SetForegroundWindow(dialog) ? 0 : 1;
    if (mode == "--select" && argc > 2) {
        HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
        SendMessageA(list, CB_SETCURSEL, std::atoi(argv[2]), 0);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        return 0;
    }
    PrintText(dialog, "status", IDC_STATUS);
    PrintText(dialog, "current", IDC_CURRENT_VERSION);
    PrintText(dialog, "latest", IDC_LATEST_VERSION);
    PrintList(dialog);
    PrintState(dialog, "list", IDC_DEVICE_LIST);
    PrintState(dialog, "detect", IDC_DETECT);
    PrintState(dialog, "update", IDC_UPDATE);
    PrintState(dialog, "exit", IDCANCEL);
    PrintState(dialog, "erase", IDC_ERASE);
    PrintState(dialog, "progress", IDC_PROGRESS);
    PrintInput(dialog);
    return 0;
}
