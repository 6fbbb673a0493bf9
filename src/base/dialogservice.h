#pragma once

#include "base/windowmessage.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Message box arrangements, numbered as the box has always numbered them.
enum class MsgBoxMode
{
    Question = 10,       // OK and Cancel
    Notice = 12,         // one line, one wide button
    NoticeTwoLines = 13, // two lines, one wide button
    Login = 15,          // invitation to sign in
    Password = 17,       // a document's open password
};

// How a message box ended; callers act on Ok only.
enum class MsgBoxResult
{
    Ok = 1,
    Cancel = 2,
    Closed = 8,
};

// One question for the message box. Texts may be "@string/" keys; empty ones keep the box's
// own defaults.
struct MsgBoxRequest
{
    MsgBoxRequest() = default;
    MsgBoxRequest(MsgBoxMode mode, std::string message) : mode(mode), message(std::move(message)) {}

    MsgBoxMode mode = MsgBoxMode::Notice;
    std::string message;
    std::string title;
    std::string bigOkText;
    std::string smallOkText;
    std::string cancelText;
    std::string documentPath;       // password mode: the document asked about
    MessageTarget* owner = nullptr; // the main window for the few boxes it owns
};

struct MsgBoxAnswer
{
    MsgBoxResult result = MsgBoxResult::Closed;
    std::string password; // password mode after OK: the verified password
};

// What the open-file dialog is asked for.
struct OpenFileRequest
{
    std::string filter;        // "<description> (<patterns>)", see FileFilterForFunction
    std::string initialFolder; // "" lets the dialog choose
    bool multiSelect = false;
};

// Every dialog the program shows goes through here: the message box by mode, the open-file
// dialog and the folder picker. The program opens real dialogs, tests script the answers.
// Calls come from the UI thread and return when the dialog is closed.
class DialogService
{
public:
    virtual ~DialogService() = default;

    virtual MsgBoxAnswer ShowMessageBox(const MsgBoxRequest& request) = 0;
    // Full paths of the chosen files in the order given; nullopt when cancelled.
    virtual std::optional<std::vector<std::string>> OpenFiles(const OpenFileRequest& request) = 0;
    // The chosen folder; nullopt when cancelled.
    virtual std::optional<std::string> SelectFolder(const std::string& title,
                                                    const std::string& startDir) = 0;

    // Shows `text` (a "@string/NAME" key or plain text) in the message box of `mode` with its
    // default texts, owned by `owner` (may be null); the result.
    MsgBoxResult ShowMessage(MessageTarget* owner, MsgBoxMode mode, const std::string& text)
    {
        MsgBoxRequest request(mode, text);
        request.owner = owner;
        return ShowMessageBox(request).result;
    }
};
