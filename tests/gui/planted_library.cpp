// A library that only tells that it was loaded: it writes "planted-library-loaded.txt" beside
// itself. The help test plants it as hhctrl.ocx where the program must never look for one.
#include <windows.h>

#include <string>

// Its one export, so that nothing else is exported by number either: a program that did load it
// finds no help function at the ordinal it asks for, and says so instead of calling into it.
extern "C" __declspec(dllexport) HWND WINAPI PlantedHelp(HWND, LPCSTR, UINT, DWORD_PTR) {
    return nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
        std::string marker(path, length);
        marker = marker.substr(0, marker.find_last_of('\\') + 1) + "planted-library-loaded.txt";
        HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return TRUE;
}
