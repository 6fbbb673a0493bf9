#pragma once

#include "base/dialogservice.h"
#include "ui/dialogframe.h"

#include <string>

class PasswordVerifier;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's only message box: notices, questions, the sign-in invitation and the
// document-password prompt, each arranged by its mode. Constructed by the dialog service for
// one question and run modally; its result is a MsgBoxResult.
class CMsgBox : public CFramedDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 411;
    static constexpr int kHeight = 236;

    // `verifier` answers the password mode; it must outlive the box.
    CMsgBox(const MsgBoxRequest& request, PasswordVerifier* verifier, QWidget* parent = nullptr);

    // After OK in password mode: the verified password.
    const std::string& Password() const { return password; }

    void reject() override;

private:
    void BuildControls();
    void ApplyTexts(const MsgBoxRequest& request);
    void Arrange();
    void ArrangeNotice(int textTop);
    void OnOk();
    void Finish(MsgBoxResult result) { done(static_cast<int>(result)); }

    MsgBoxMode mode;
    std::string documentPath;
    std::string password;
    PasswordVerifier* verifier;

    QLabel* title = nullptr;
    QPushButton* closeButton = nullptr;
    QLabel* attentionIcon = nullptr;
    QLabel* attentionText = nullptr;
    QPushButton* bigOk = nullptr;
    QPushButton* bigLogin = nullptr;
    QPushButton* smallOk = nullptr;
    QPushButton* cancel = nullptr;
    QLabel* passwordNotice = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QLabel* passwordError = nullptr;
};
