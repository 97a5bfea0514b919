// The message loop: filters newest first, then translation and dispatch.
#include "app/message_loop.h"

#include <algorithm>

void MessageLoop::AddFilter(MessageFilter* filter) { filters_.push_back(filter); }

void MessageLoop::RemoveFilter(MessageFilter* filter) {
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

int MessageLoop::Run() {
    for (;;) {
        const BOOL got = GetMessageA(&message_, nullptr, 0, 0);
        if (got == -1) {
            continue;
        }
        if (got == 0) {
            return static_cast<int>(message_.wParam);
        }
        const bool consumed = std::any_of(filters_.rbegin(), filters_.rend(),
                                          [this](MessageFilter* filter) { return filter->PreTranslate(message_); });
        if (!consumed) {
            TranslateMessage(&message_);
            DispatchMessageA(&message_);
        }
    }
}
