// Shared by the link and about box tests: registry values put back after a test, a stand-in
// browser that records the addresses it is given, message pumping and on-screen colours.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../unit/test_support.h"

// Registry values changed for one test. The first change of each value saves what was there;
// destruction puts every value back and deletes the keys that were created, newest first.
class RegistrySandbox {
public:
    RegistrySandbox() = default;
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // `name` "" is the key's default value.
    void SetString(HKEY root, const std::string& path, const std::string& name, const std::string& value);
    void SetBytes(HKEY root, const std::string& path, const std::string& name, DWORD type, const void* bytes,
                  DWORD size);
    void Remove(HKEY root, const std::string& path, const std::string& name);

private:
    struct Saved {
        HKEY root;
        std::string path;
        std::string name;
        bool hadValue;
        DWORD type;
        std::vector<BYTE> data;
        std::string createdKey;  // the outermost key this sandbox created, or empty
    };
    void Save(HKEY root, const std::string& path, const std::string& name);

    std::vector<Saved> saved_;
};

// The web browser as the tests see it: while it lives, the "http" protocol's open command runs the
// recorder program, which appends each address to a record file.
class BrowserStandIn {
public:
    BrowserStandIn();

    // The open command that records into this stand-in's file, with `arguments` after the file
    // (for example "\"%1\"").
    std::string RecorderCommand(const std::string& arguments) const;
    // An open command whose program does not exist.
    std::string MissingBrowserCommand() const;
    // Points the "http" protocol at a program that does not exist, so that the shell fails.
    void BreakShellHandler();
    // Registers the ".htm" document type with this open command.
    void RegisterHtmlHandler(const std::string& openCommand);
    // Removes the ".htm" registration.
    void RemoveHtmlHandler();

    // The addresses recorded so far, one per start of the recorder.
    std::vector<std::string> Recorded() const;
    // Waits until `count` addresses are recorded and a little longer, so that a start too many
    // would show as well; returns what was recorded.
    std::vector<std::string> WaitForRecorded(std::size_t count) const;

    RegistrySandbox& Registry() { return registry_; }

private:
    test_support::ScratchDir dir_;
    std::string record_;
    RegistrySandbox registry_;
};

inline constexpr char kColorSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";

// Handles the thread's pending messages, passing them through `dialog`'s keyboard interface, for
// at least `milliseconds`.
void PumpMessages(HWND dialog, DWORD milliseconds = 0);

// How many pixels of `window`'s client area (or of `area` within it) show `color` now, after the
// window has painted.
int CountPixels(HWND window, COLORREF color, const RECT* area = nullptr);
// The colour of one client pixel of `window`, after it has painted.
COLORREF PixelAt(HWND window, int x, int y);

// A mouse message's point.
LPARAM PointParam(int x, int y);
// The centre of a rectangle as a mouse message's point.
LPARAM CentreOf(const RECT& rect);
// Presses and releases the left button in the middle of a control, as a click there.
void ClickMiddleOf(HWND control);

// What every link test starts from: the platform libraries ready, as the program's start-up
// makes them, and no colour settings left behind by anyone else.
void PrepareLinkTest(BrowserStandIn& browser);
