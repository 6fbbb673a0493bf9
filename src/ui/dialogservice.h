#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Arrangements of the message box.
inline constexpr int kMsgBoxQuestion = 10;       // OK and Cancel
inline constexpr int kMsgBoxNotice = 12;         // one line, one wide button
inline constexpr int kMsgBoxNoticeTwoLines = 13; // two lines, one wide button
inline constexpr int kMsgBoxLogin = 15;          // invitation to sign in
inline constexpr int kMsgBoxPassword = 17;       // a document's open password

// How a message box ended; callers act on kMsgBoxOk only.
inline constexpr int kMsgBoxOk = 1;
inline constexpr int kMsgBoxCancel = 2;
inline constexpr int kMsgBoxClosed = 8;

// One question for the message box. Texts may be "@string/" keys; empty ones keep the box's
// own defaults.
struct MsgBoxRequest
{
    MsgBoxRequest() = default;
    MsgBoxRequest(int mode, std::string message) : mode(mode), message(std::move(message)) {}

    int mode = kMsgBoxNotice;
    std::string message;
    std::string title;
    std::string bigOkText;
    std::string smallOkText;
    std::string cancelText;
    std::string documentPath; // password mode: the document asked about
};

struct MsgBoxAnswer
{
    int result = kMsgBoxClosed;
    std::string password; // password mode after OK: the verified password
};

struct FileDialogRequest
{
    std::string title;
    std::string filter; // "PDF Files(*.pdf)", patterns separated by ';'
    std::string startDir;
    bool multiple = false;
};

// Every dialog the windows show goes through here: production shows real dialogs, tests
// script the answers. Runs on the UI thread; each call returns when the dialog is answered.
class DialogService
{
public:
    virtual ~DialogService() = default;

    virtual MsgBoxAnswer ShowMessageBox(const MsgBoxRequest& request) = 0;
    // The chosen files; empty when the user cancelled.
    virtual std::vector<std::string> SelectFiles(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SelectFolder(const std::string& title,
                                                    const std::string& startDir) = 0;

    // A message box in `mode` with `message` and the default texts; its result.
    int Show(int mode, const std::string& message)
    {
        return ShowMessageBox(MsgBoxRequest(mode, message)).result;
    }
};
