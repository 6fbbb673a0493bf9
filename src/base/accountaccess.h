#pragma once

// What worker threads need of the signed-in account; the account library implements it, so
// threads and the conversion engine need not include the account folder.
class AccountAccess
{
public:
    virtual ~AccountAccess() = default;

    // Asks the account plug-in whether a user is signed in.
    virtual bool IsSignedIn() = 0;
    // Shows the login window; tells the main window when nobody was signed in.
    virtual void PromptLogin() = 0;
    virtual void Logout() = 0;
};
