// The login window of a build without the desktop stack: there is none to show, as in a
// process without a Qt Widgets application.
#include "loginwindow.h"

struct LoginWindow::State
{
};

LoginWindow::LoginWindow(SignIn) : state(std::make_unique<State>()) {}

LoginWindow::~LoginWindow() = default;

void LoginWindow::Show() {}

void* LoginWindow::Handle() const
{
    return nullptr;
}
