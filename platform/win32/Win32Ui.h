#pragma once
// Modal dialogs from the program's templates, through user32 and common controls 6.
#include "platform/Ui.h"

namespace win32 {

class Win32Ui final : public platform::Ui {
public:
    // Registers the list-view, progress bar and standard control classes, which the
    // templates name and which comctl32 does not register on its own.
    Win32Ui();

    unsigned registerWindowMessage(const std::string& name) override;
    int runModal(int templateId, platform::DialogHandler& handler, platform::DialogWindow* owner) override;
    int messageBox(platform::DialogWindow* owner, const std::string& text, const std::string& caption,
                   unsigned type) override;
    std::string applicationTitle() override;
    bool writeConsole(const std::string& text) override;
};

}  // namespace win32
