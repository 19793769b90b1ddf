// uidriver: acts as the user on the wizard's pages, one command per run.
//
//   uidriver find      [--title T] [--template N] [--timeout MS]   the page now shown
//                      [--window H] [--not H]    that page only / any page but that one
//   uidriver handle    [page options]            the page's window handle, for --window/--not
//   uidriver dump      [page options]            title and every control: id class enabled text
//   uidriver text ID   [page options]            a control's text
//   uidriver enabled ID / checked ID             1 or 0
//   uidriver rect ID                             the control's place on the screen: x y w h
//   uidriver click ID                            presses an enabled button
//   uidriver check ID on|off                     ticks or clears an enabled check box
//   uidriver key enter|esc                       presses a key on the page
//   uidriver close                               the title bar's close box
//   uidriver wait-gone [page options]            waits until no such page is shown
//   uidriver wait-enabled ID 1|0 [page options]  waits until the control is (not) enabled and
//                                                prints that moment in ms since 1970 (UTC)
//   uidriver kill [page options]                 ends the program that shows the page
//   uidriver windows                 visible top-level windows: class, title, maximised or normal
//   uidriver file-dialog [--timeout MS]          the open or save dialog now shown: its owner
//                                                (SETUP, page N or none), file name and title
//   uidriver choose-file PATH [--timeout MS]     types PATH into that dialog and confirms it
//   uidriver cancel-file [--timeout MS]          cancels that dialog
//
// Texts are printed in UTF-8 with line feed, carriage return, tab and backslash escaped as
// \n \r \t \\. Exit codes: 0 done, 1 no such page or dialog (after the time-out), 2 bad usage,
// 3 no such control or the control is disabled, 4 the dialog did not take the file name.

#include "file_dialog.h"
#include "page_windows.h"

#include <cstdlib>
#include <cwchar>

namespace {

using namespace uidriver;

enum ExitCode { kDone = 0, kNoPage = 1, kUsage = 2, kNoControl = 3, kRefused = 4 };

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::wstring Escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'\n':
                out += L"\\n";
                break;
            case L'\r':
                out += L"\\r";
                break;
            case L'\t':
                out += L"\\t";
                break;
            case L'\\':
                out += L"\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void Print(const std::wstring& line) {
    const std::string bytes = Utf8(line + L"\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

struct Options {
    PageQuery query;
    DWORD timeout_ms = 5000;
    std::vector<std::wstring> arguments;
};

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == L"--title" && has_value) {
            options.query.title = argv[++i];
        } else if (arg == L"--template" && has_value) {
            options.query.template_id = _wtoi(argv[++i]);
        } else if ((arg == L"--window" || arg == L"--not") && has_value) {
            HWND window =
                reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(argv[++i], nullptr, 10)));
            (arg == L"--window" ? options.query.window : options.query.other_than) = window;
        } else if (arg == L"--timeout" && has_value) {
            options.timeout_ms = static_cast<DWORD>(_wtoi(argv[++i]));
        } else if (arg.rfind(L"--", 0) == 0) {
            return false;
        } else {
            options.arguments.push_back(arg);
        }
    }
    return true;
}

HWND WaitForPage(const Options& options) {
    const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
    for (;;) {
        if (HWND page = FindPage(options.query)) return page;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

int Find(const Options& options) {
    HWND page = WaitForPage(options);
    if (page == nullptr) return kNoPage;
    Print(L"page " + std::to_wstring(TemplateOf(page)) + L" " + Escaped(TextOf(page)));
    return kDone;
}

int Dump(HWND page) {
    Print(L"page " + std::to_wstring(TemplateOf(page)) + L" " + Escaped(TextOf(page)));
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Print(std::to_wstring(static_cast<int>(GetWindowLongPtrW(child, GWLP_ID))) + L"\t" +
              ClassOf(child) + L"\t" + (IsWindowEnabled(child) ? L"1" : L"0") + L"\t" +
              Escaped(TextOf(child)));
    }
    return kDone;
}

// Presses a control as the user would, without waiting for what the press starts.
void Press(HWND control) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
}

int Key(HWND page, const std::wstring& name) {
    WPARAM key = 0;
    if (name == L"enter")
        key = VK_RETURN;
    else if (name == L"esc")
        key = VK_ESCAPE;
    else
        return kUsage;
    // Keys go to the control with the focus, where the dialog manager looks for them.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = page;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info) && info.hwndFocus) {
        target = info.hwndFocus;
    }
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    return kDone;
}

int OnControl(HWND page, const std::wstring& command, const Options& options) {
    if (options.arguments.empty()) return kUsage;
    HWND control = ControlOf(page, _wtoi(options.arguments[0].c_str()));
    if (control == nullptr) return kNoControl;
    if (command == L"text") {
        Print(Escaped(TextOf(control)));
    } else if (command == L"rect") {
        RECT r{};
        GetWindowRect(control, &r);
        Print(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
              std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
    } else if (command == L"enabled") {
        Print(IsWindowEnabled(control) ? L"1" : L"0");
    } else if (command == L"checked") {
        Print(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"1" : L"0");
    } else if (command == L"click") {
        if (!IsWindowEnabled(control)) return kNoControl;
        Press(control);
    } else if (command == L"check") {
        if (options.arguments.size() < 2) return kUsage;
        if (!IsWindowEnabled(control)) return kNoControl;
        const bool want = options.arguments[1] == L"on";
        const bool ticked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (want != ticked) Press(control);
    } else {
        return kUsage;
    }
    return kDone;
}

int WaitGone(const Options& options) {
    const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
    while (FindPage(options.query) != nullptr) {
        if (GetTickCount64() >= deadline) return kNoPage;
        Sleep(50);
    }
    return kDone;
}

// Wall-clock milliseconds since 1970, comparable with the host's `date +%s%3N`.
ULONGLONG EpochMs() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    return ticks / 10000 - 11644473600000ULL;
}

int WaitEnabled(HWND page, const Options& options) {
    if (options.arguments.size() < 2) return kUsage;
    HWND control = ControlOf(page, _wtoi(options.arguments[0].c_str()));
    if (control == nullptr) return kNoControl;
    const bool want = options.arguments[1] == L"1";
    const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
    while ((IsWindowEnabled(control) != FALSE) != want) {
        if (GetTickCount64() >= deadline || !IsWindow(control)) return kNoControl;
        Sleep(2);
    }
    Print(std::to_wstring(EpochMs()));
    return kDone;
}

int Kill(HWND page) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(page, &process_id);
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, process_id);
    if (process == nullptr) return kNoPage;
    const BOOL ended = TerminateProcess(process, 1);
    CloseHandle(process);
    return ended ? kDone : kNoPage;
}

HWND WaitForFileDialog(const Options& options) {
    const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
    for (;;) {
        if (HWND dialog = FindFileDialog()) return dialog;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

std::wstring OwnerOf(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr) return L"none";
    if (ClassOf(owner) == L"#32770") return L"page " + std::to_wstring(TemplateOf(owner));
    return ClassOf(owner);
}

int OnFileDialog(const std::wstring& command, const Options& options) {
    HWND dialog = WaitForFileDialog(options);
    if (dialog == nullptr) return kNoPage;
    if (command == L"file-dialog") {
        Print(OwnerOf(dialog) + L"\t" + Escaped(FileNameOf(dialog)) + L"\t" +
              Escaped(TextOf(dialog)));
        return kDone;
    }
    if (command == L"cancel-file") return CancelFileDialog(dialog, 5000) ? kDone : kRefused;
    if (options.arguments.empty()) return kUsage;
    return ChooseFile(dialog, options.arguments[0], 5000) ? kDone : kRefused;
}

int Windows() {
    for (const TopLevelWindow& window : TopLevelWindows()) {
        if (!window.visible) continue;
        Print(window.class_name + L"\t" + Escaped(window.title) + L"\t" +
              (IsZoomed(window.handle) ? L"maximised" : L"normal"));
    }
    return kDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (argc < 2 || !ParseOptions(argc, argv, options)) return kUsage;
    const std::wstring command = argv[1];
    if (command == L"find") return Find(options);
    if (command == L"wait-gone") return WaitGone(options);
    if (command == L"windows") return Windows();
    if (command == L"file-dialog" || command == L"choose-file" || command == L"cancel-file") {
        return OnFileDialog(command, options);
    }

    HWND page = WaitForPage(options);
    if (page == nullptr) return kNoPage;
    if (command == L"dump") return Dump(page);
    if (command == L"handle") {
        Print(std::to_wstring(reinterpret_cast<UINT_PTR>(page)));
        return kDone;
    }
    if (command == L"key")
        return options.arguments.empty() ? kUsage : Key(page, options.arguments[0]);
    if (command == L"wait-enabled") return WaitEnabled(page, options);
    if (command == L"kill") return Kill(page);
    if (command == L"close") {
        PostMessageW(page, WM_SYSCOMMAND, SC_CLOSE, 0);
        return kDone;
    }
    return OnControl(page, command, options);
}
