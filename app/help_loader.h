// Opens the help file in the platform's HTML Help viewer, loading its control on first use.
#pragma once

#include <windows.h>

class HelpLoader {
public:
    // HtmlHelpA of the HTML Help control; 0 when the control or the function is not to be had.
    HWND HtmlHelpA(HWND caller, const char* file, UINT command, DWORD_PTR data);

private:
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

    HtmlHelpFunction function_ = nullptr;
};
