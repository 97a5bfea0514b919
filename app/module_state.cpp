// ModuleState: set-up, the loop registry under its lock, and the module path.
#include "app/module_state.h"

ModuleState& TheModule() {
    static ModuleState state;
    return state;
}

void ModuleState::Setup(HINSTANCE instance) {
    instance_ = instance;
    uiThreadId_ = GetCurrentThreadId();
    InitializeCriticalSection(&lock_);
    lockReady_ = true;
}

void ModuleState::Teardown() {
    if (!lockReady_) {
        return;
    }
    EnterCriticalSection(&lock_);
    loops_.clear();
    LeaveCriticalSection(&lock_);
    DeleteCriticalSection(&lock_);
    lockReady_ = false;
}

void ModuleState::RegisterLoop(MessageLoop* loop) {
    EnterCriticalSection(&lock_);
    loops_.emplace_back(GetCurrentThreadId(), loop);
    LeaveCriticalSection(&lock_);
}

MessageLoop* ModuleState::FindLoop() {
    const DWORD thread = GetCurrentThreadId();
    MessageLoop* found = nullptr;
    EnterCriticalSection(&lock_);
    for (const auto& [id, loop] : loops_) {
        if (id == thread) {
            found = loop;
            break;
        }
    }
    LeaveCriticalSection(&lock_);
    return found;
}

void ModuleState::UnregisterLoop() {
    const DWORD thread = GetCurrentThreadId();
    EnterCriticalSection(&lock_);
    for (auto it = loops_.begin(); it != loops_.end(); ++it) {
        if (it->first == thread) {
            loops_.erase(it);
            break;
        }
    }
    LeaveCriticalSection(&lock_);
}

void ModuleState::RecordModulePath() {
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
    // A name that filled the buffer was cut short; a wrong path is worse than none.
    if (length == 0 || length >= MAX_PATH) {
        modulePath_.clear();
        return;
    }
    char full[MAX_PATH];
    const DWORD fullLength = GetFullPathNameA(name, MAX_PATH, full, nullptr);
    modulePath_ = (fullLength == 0 || fullLength >= MAX_PATH) ? std::string() : std::string(full, fullLength);
}
