// The UI thread's message loop, with the filters that may take a message before it is
// translated and dispatched (the main dialog's keyboard interface).
#pragma once

#include <windows.h>

#include <vector>

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the filter has consumed the message.
    virtual bool PreTranslate(MSG& message) = 0;
};

class MessageLoop {
public:
    void AddFilter(MessageFilter* filter);
    void RemoveFilter(MessageFilter* filter);
    // Runs until the quit message; returns its code.
    int Run();

private:
    MSG message_{};
    std::vector<MessageFilter*> filters_;
};
