#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace nimbral::test {

// True when these tests run under wine rather than on Windows: several answers differ there
// (no desktop duplication, for one), and the tests say which they expect.
bool runningUnderWine();

// A borderless top-most window filled with one colour, with its own message pump; records the
// mouse and key messages it receives. Used on the test's thread only.
class ColourWindow {
public:
    struct Message {
        UINT id;
        WPARAM wParam;
        LPARAM lParam;
    };

    ColourWindow(int x, int y, int width, int height, COLORREF colour);
    ~ColourWindow();
    ColourWindow(const ColourWindow&) = delete;
    ColourWindow& operator=(const ColourWindow&) = delete;

    HWND handle() const { return m_window; }
    void moveTo(int x, int y);
    // Handles every queued message, for at least `milliseconds`, so paints and input arrive.
    void pump(int milliseconds);
    // Pumps until `done` holds or `milliseconds` pass; returns `done()`.
    bool pumpUntil(const std::function<bool()>& done, int milliseconds);
    const std::vector<Message>& received() const { return m_received; }
    bool hasReceived(UINT id) const;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT id, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    HBRUSH m_brush = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::vector<Message> m_received;
};

// The full path of this test program.
std::wstring testProgramPath();

// Another process: this test program started again with "--child <role>"; answers its exit code,
// or -1 when it could not start or did not end within `timeoutMs`.
int runChild(const std::string& role, DWORD timeoutMs = 20000);
// The same, started and left running; the caller waits on and closes the handle.
HANDLE startChild(const std::string& role);

// A child started with arguments of its own ("--child <role> <arguments>..."): those arguments.
const std::vector<std::string>& childArguments();
void setChildArguments(std::vector<std::string> arguments);

// A child role: the code run in the child process, whose result is the exit code.
using ChildRole = int (*)();
bool registerChildRole(const char* role, ChildRole body);

} // namespace nimbral::test

#define NIMBRAL_CHILD_ROLE(name)                                                                   \
    static int name##ChildBody();                                                                  \
    static const bool name##Registered =                                                           \
        ::nimbral::test::registerChildRole(#name, name##ChildBody);                                \
    static int name##ChildBody()
