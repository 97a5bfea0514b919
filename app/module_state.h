// The process-wide state of the window program: the instance that holds the resources, the UI
// thread, the registry of message loops by thread, and the executable's full path.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class MessageLoop;

class ModuleState {
public:
    void Setup(HINSTANCE instance);
    void Teardown();

    HINSTANCE Instance() const { return instance_; }
    DWORD UiThreadId() const { return uiThreadId_; }

    void RegisterLoop(MessageLoop* loop);
    MessageLoop* FindLoop();
    void UnregisterLoop();

    // Records the executable's full path; empty when it does not fit the ANSI path limit.
    void RecordModulePath();
    const std::string& ModulePath() const { return modulePath_; }

private:
    HINSTANCE instance_ = nullptr;
    DWORD uiThreadId_ = 0;
    CRITICAL_SECTION lock_{};
    bool lockReady_ = false;
    std::vector<std::pair<DWORD, MessageLoop*>> loops_;
    std::string modulePath_;
};

// The one ModuleState of the process.
ModuleState& TheModule();
