#pragma once

#include "ui/dialogservice.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class PasswordVerifier;

// The dialog service of the program: the message box and the Qt file dialogs, run modally.
class QtDialogService : public DialogService
{
public:
    // Dialogs open over `owner` when it is set and visible.
    void SetOwner(QWidget* window) { owner = window; }
    void SetPasswordVerifier(PasswordVerifier* value) { verifier = value; }

    MsgBoxAnswer ShowMessageBox(const MsgBoxRequest& request) override;
    std::vector<std::string> SelectFiles(const FileDialogRequest& request) override;
    std::optional<std::string> SelectFolder(const std::string& title,
                                            const std::string& startDir) override;

private:
    QWidget* Parent() const;

    QPointer<QWidget> owner;
    PasswordVerifier* verifier = nullptr;
};

// "PDF Files(*.pdf)" or "DOC Files(*.doc;*.docx)" as a Qt name filter ("... (*.doc *.docx)");
// several filters may be joined with '|'.
QString QtNameFilter(const std::string& filter);
