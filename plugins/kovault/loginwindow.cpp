#include "loginwindow.h"

#include "logindialog.h"
#include "utility/stringtable.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

#include <thread>

struct LoginWindow::State
{
    explicit State(SignIn signIn) : signIn(std::move(signIn)) {}

    // The rest runs on the GUI thread.
    void ShowDialog();
    void StartSignIn(const std::string& userName, const std::string& password);
    void FinishSignIn(CasClient::Status status);

    const SignIn signIn;
    LoginDialog* dialog = nullptr;
    std::thread signInThread;
};

namespace {

bool HasGuiApplication()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

LoginWindow::LoginWindow(SignIn signIn) : state(std::make_unique<State>(std::move(signIn))) {}

LoginWindow::~LoginWindow()
{
    if (state->signInThread.joinable())
        state->signInThread.join();
    delete state->dialog;
}

void LoginWindow::Show()
{
    if (!HasGuiApplication())
        return;
    State* shown = state.get();
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
        shown->ShowDialog();
    else
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [shown] { shown->ShowDialog(); }, Qt::QueuedConnection);
}

void* LoginWindow::Handle() const
{
    return state->dialog;
}

void LoginWindow::State::ShowDialog()
{
    if (!dialog) {
        dialog = new LoginDialog;
        QObject::connect(dialog, &LoginDialog::SignInRequested, dialog,
                         [this](const QString& userName, const QString& password) {
                             StartSignIn(userName.toStdString(), password.toStdString());
                         });
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void LoginWindow::State::StartSignIn(const std::string& userName, const std::string& password)
{
    // The button is locked until a sign-in has finished, so this join does not wait.
    if (signInThread.joinable())
        signInThread.join();
    signInThread = std::thread([this, userName, password] {
        const CasClient::Status status = signIn(userName, password);
        QMetaObject::invokeMethod(
            dialog, [this, status] { FinishSignIn(status); }, Qt::QueuedConnection);
    });
}

void LoginWindow::State::FinishSignIn(CasClient::Status status)
{
    // The thread has nothing left to do but end.
    signInThread.join();
    if (status == CasClient::Status::Ok) {
        dialog->Reset();
        dialog->accept();
        return;
    }
    dialog->SetBusy(false);
    const char* reason = "@string/str_login_err_service";
    if (status == CasClient::Status::Rejected)
        reason = "@string/str_login_err_password";
    else if (status == CasClient::Status::Insecure)
        reason = "@string/str_login_err_insecure";
    dialog->ShowError(QString::fromStdString(StringTable::Resolve(reason)));
}
