#include "windows_test_support.h"

#include <chrono>
#include <map>

namespace nimbral::test {

namespace {

constexpr wchar_t kClassName[] = L"NimbralTestColourWindow";

std::map<std::string, ChildRole>& childRoles() {
    static std::map<std::string, ChildRole> roles;
    return roles;
}

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

} // namespace

std::wstring testProgramPath() {
    return ownPath();
}

bool runningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ColourWindow::ColourWindow(int x, int y, int width, int height, COLORREF colour)
    : m_brush(::CreateSolidBrush(colour))
    , m_width(width)
    , m_height(height) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ColourWindow::procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        return ::RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    m_window =
        ::CreateWindowExW(WS_EX_TOPMOST, kClassName, L"Nimbral test", WS_POPUP | WS_VISIBLE, x, y,
                          width, height, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    ::SetForegroundWindow(m_window);
    ::SetFocus(m_window);
    ::UpdateWindow(m_window);
    pump(300);
}

ColourWindow::~ColourWindow() {
    if (m_window != nullptr) {
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        ::DestroyWindow(m_window);
        pump(50);
    }
    ::DeleteObject(m_brush);
}

void ColourWindow::moveTo(int x, int y) {
    ::SetWindowPos(m_window, HWND_TOPMOST, x, y, m_width, m_height, SWP_SHOWWINDOW);
    ::InvalidateRect(m_window, nullptr, TRUE);
    ::UpdateWindow(m_window);
}

void ColourWindow::pump(int milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

bool ColourWindow::pumpUntil(const std::function<bool()>& done, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

bool ColourWindow::hasReceived(UINT id) const {
    for (const Message& message : m_received) {
        if (message.id == id) {
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK ColourWindow::procedure(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
    if (id == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ColourWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, id, wParam, lParam);
    }
    switch (id) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        RECT area{0, 0, self->m_width, self->m_height};
        ::FillRect(dc, &area, self->m_brush);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        self->m_received.push_back({id, wParam, lParam});
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, id, wParam, lParam);
}

HANDLE startChild(const std::string& role) {
    std::wstring commandLine = L"\"" + ownPath() + L"\" --child ";
    commandLine.append(role.begin(), role.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

int runChild(const std::string& role, DWORD timeoutMs) {
    HANDLE process = startChild(role);
    if (process == nullptr) {
        return -1;
    }
    int result = -1;
    if (::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (::GetExitCodeProcess(process, &code)) {
            result = static_cast<int>(code);
        }
    } else {
        ::TerminateProcess(process, 99);
    }
    ::CloseHandle(process);
    return result;
}

namespace {
std::vector<std::string>& childArgumentStore() {
    static std::vector<std::string> arguments;
    return arguments;
}
} // namespace

const std::vector<std::string>& childArguments() {
    return childArgumentStore();
}

void setChildArguments(std::vector<std::string> arguments) {
    childArgumentStore() = std::move(arguments);
}

bool registerChildRole(const char* role, ChildRole body) {
    childRoles()[role] = body;
    return true;
}

// Used by the test main: the body of `role`, or null.
ChildRole findChildRole(const std::string& role) {
    const auto found = childRoles().find(role);
    return found == childRoles().end() ? nullptr : found->second;
}

} // namespace nimbral::test
