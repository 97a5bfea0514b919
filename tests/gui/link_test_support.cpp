// Registry sandbox, browser stand-in, message pump and pixel reading for the link tests.
#include "link_test_support.h"

#include <commctrl.h>
#include <objbase.h>

#include <fstream>

#include "gui_driver.h"

namespace {

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// The outermost key of `path` that does not exist yet, or empty when the whole path exists.
std::string OutermostMissingKey(HKEY root, const std::string& path) {
    for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!KeyExists(root, prefix)) {
            return prefix;
        }
        if (end == std::string::npos) {
            return std::string();
        }
    }
}

std::vector<COLORREF> ClientPixels(HWND window, int& width, int& height) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0) {
        return pixels;
    }
    const HDC screen = GetDC(window);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* rows = static_cast<const DWORD*>(bits);
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int i = 0; i < width * height; ++i) {
        const DWORD pixel = rows[i];
        pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
}

}  // namespace

RegistrySandbox::~RegistrySandbox() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (!it->createdKey.empty()) {
            RegDeleteTreeA(it->root, it->createdKey.c_str());
            continue;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(it->root, it->path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            continue;
        }
        if (it->hadValue) {
            RegSetValueExA(key, it->name.c_str(), 0, it->type, it->data.data(),
                           static_cast<DWORD>(it->data.size()));
        } else {
            RegDeleteValueA(key, it->name.c_str());
        }
        RegCloseKey(key);
    }
}

void RegistrySandbox::Save(HKEY root, const std::string& path, const std::string& name) {
    for (const Saved& saved : saved_) {
        if (saved.root == root && saved.path == path && saved.name == name) {
            return;
        }
    }
    Saved saved{root, path, name, false, REG_NONE, {}, OutermostMissingKey(root, path)};
    HKEY key = nullptr;
    if (saved.createdKey.empty() &&
        RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
            saved.data.resize(size);
            saved.hadValue = RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, saved.data.data(),
                                              &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    saved_.push_back(saved);
}

void RegistrySandbox::SetString(HKEY root, const std::string& path, const std::string& name,
                                const std::string& value) {
    SetBytes(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void RegistrySandbox::SetBytes(HKEY root, const std::string& path, const std::string& name, DWORD type,
                               const void* bytes, DWORD size) {
    Save(root, path, name);
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(bytes), size);
        RegCloseKey(key);
    }
}

void RegistrySandbox::Remove(HKEY root, const std::string& path, const std::string& name) {
    Save(root, path, name);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
}

BrowserStandIn::BrowserStandIn() : record_(dir_.path("opened.txt")) {
    registry_.SetString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", RecorderCommand("\"%1\""));
    // No document registration unless a test asks for one, so the fallback finds nothing by chance.
    RemoveHtmlHandler();
}

std::string BrowserStandIn::RecorderCommand(const std::string& arguments) const {
    // Built by appending: GCC 12 at -O2 takes `"literal" + std::string` for an overlapping copy
    // (a false -Wrestrict), and warnings are errors.
    std::string command(1, '"');
    command.append(ProgramDirectory()).append("\\url_recorder.exe\" \"").append(record_).append("\" ");
    return command.append(arguments);
}

std::string BrowserStandIn::MissingBrowserCommand() const {
    std::string command(1, '"');
    return command.append(ProgramDirectory()).append("\\no_such_browser.exe\" \"%1\"");
}

void BrowserStandIn::BreakShellHandler() {
    registry_.SetString(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", MissingBrowserCommand());
}

void BrowserStandIn::RegisterHtmlHandler(const std::string& openCommand) {
    registry_.SetString(HKEY_CLASSES_ROOT, ".htm", "", "QuirewellTestPage");
    registry_.SetString(HKEY_CLASSES_ROOT, "QuirewellTestPage\\shell\\open\\command", "", openCommand);
}

void BrowserStandIn::RemoveHtmlHandler() {
    registry_.Remove(HKEY_CLASSES_ROOT, ".htm", "");
}

std::vector<std::string> BrowserStandIn::Recorded() const {
    std::vector<std::string> lines;
    std::ifstream in(record_, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> BrowserStandIn::WaitForRecorded(std::size_t count) const {
    const ULONGLONG deadline = GetTickCount64() + 15000;
    while (Recorded().size() < count && GetTickCount64() < deadline) {
        Sleep(50);
    }
    Sleep(400);
    return Recorded();
}

void PumpMessages(HWND dialog, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog == nullptr || !IsDialogMessageA(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (milliseconds > 0) {
            Sleep(10);
        }
    } while (GetTickCount64() < deadline);
}

int CountPixels(HWND window, COLORREF color, const RECT* area) {
    int width = 0;
    int height = 0;
    const std::vector<COLORREF> pixels = ClientPixels(window, width, height);
    const RECT whole{0, 0, width, height};
    const RECT& within = area != nullptr ? *area : whole;
    int count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const POINT point{x, y};
            if (PtInRect(&within, point) &&
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)] == color) {
                ++count;
            }
        }
    }
    return count;
}

COLORREF PixelAt(HWND window, int x, int y) {
    int width = 0;
    int height = 0;
    const std::vector<COLORREF> pixels = ClientPixels(window, width, height);
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return CLR_INVALID;
    }
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

LPARAM PointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

LPARAM CentreOf(const RECT& rect) {
    return PointParam((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void ClickMiddleOf(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(client));
    SendMessageA(control, WM_LBUTTONUP, 0, CentreOf(client));
}

void PrepareLinkTest(BrowserStandIn& browser) {
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    browser.Registry().Remove(HKEY_CURRENT_USER, kColorSettingsKey, "Anchor Color");
    browser.Registry().Remove(HKEY_CURRENT_USER, kColorSettingsKey, "Anchor Color Visited");
}
