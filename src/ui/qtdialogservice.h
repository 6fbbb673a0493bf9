#pragma once

#include "base/dialogservice.h"

#include <QString>

class PasswordVerifier;
class QWidget;

// The dialog service of the program: the message box and the Qt file dialogs, run modally.
// A box with an owner opens over the main window; the file dialogs always do.
class QtDialogService : public DialogService
{
public:
    void SetMainWindow(QWidget* window) { mainWindow = window; }
    void SetPasswordVerifier(PasswordVerifier* value) { verifier = value; }

    MsgBoxAnswer ShowMessageBox(const MsgBoxRequest& request) override;
    std::optional<std::vector<std::string>> OpenFiles(const OpenFileRequest& request) override;
    std::optional<std::string> SelectFolder(const std::string& title,
                                            const std::string& startDir) override;

    // Where the open-file dialog starts: the requested folder (the last one used), else the
    // user's documents folder, else home.
    static QString StartFolder(const std::string& requested);

private:
    // The main window when it is on screen.
    QWidget* VisibleMainWindow() const;

    QWidget* mainWindow = nullptr;
    PasswordVerifier* verifier = nullptr;
};
