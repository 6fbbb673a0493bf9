#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The sign-in window: user name, password, an error line and the sign-in button. It only
// collects the input; whoever owns it signs in and reports back.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LoginDialog(QWidget* parent = nullptr);

    // While signing in the inputs are locked and the button says so.
    void SetBusy(bool busy);
    // An empty text clears the error line.
    void ShowError(const QString& text);
    // After a sign-in: ready for the next one, without the password.
    void Reset();

signals:
    void SignInRequested(const QString& userName, const QString& password);

private:
    void Submit();

    QLineEdit* userName;
    QLineEdit* password;
    QLabel* error;
    QPushButton* signIn;
};
