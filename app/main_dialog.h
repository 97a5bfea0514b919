// The main window: a modeless dialog from template 129 that filters the UI thread's messages
// for its keyboard interface and closes with the exit code of the command that closed it.
#pragma once

#include <windows.h>

#include "app/dialog_base.h"
#include "app/message_loop.h"

class MainDialog : public DialogBase, public MessageFilter {
public:
    MainDialog();
    ~MainDialog() override;

    bool PreTranslate(MSG& message) override;

    // Destroys the window and asks the message loop to end with `code`.
    void CloseWithCode(int code);

    UINT TrayMessage() const { return trayMessage_; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    BOOL OnInitDialog();

    UINT trayMessage_ = 0;
    MessageLoop* loop_ = nullptr;
};
