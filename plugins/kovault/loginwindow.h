#pragma once

#include "casclient.h"

#include <functional>
#include <memory>
#include <string>

// The plug-in's sign-in window, owned by the account object. It lives on the host's GUI
// thread and exists only in a Qt Widgets application of a build with the desktop client;
// elsewhere (the command-line converter, most tests, a build without the desktop stack)
// there is no window and hosts sign in with a password call instead. The sign-in itself
// runs on a thread of the window, so the window stays responsive and shows its busy state.
class LoginWindow
{
public:
    using SignIn =
        std::function<CasClient::Status(const std::string& userName, const std::string& password)>;

    explicit LoginWindow(SignIn signIn);
    ~LoginWindow();
    LoginWindow(const LoginWindow&) = delete;
    LoginWindow& operator=(const LoginWindow&) = delete;

    // Shows the window; from another thread the call is queued to the GUI thread.
    void Show();
    // The window as a QWidget*, for the host; null until it was first shown.
    void* Handle() const;

private:
    struct State;
    std::unique_ptr<State> state;
};
