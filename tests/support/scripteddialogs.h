#pragma once

#include "base/dialogservice.h"
#include "base/passwordverifier.h"

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Answers dialogs from a script and records every question. A message box takes the next
// queued answer, or `answer` when none is queued; an open-file dialog takes the next queued
// file answer, or is cancelled.
class ScriptedDialogs : public DialogService
{
public:
    struct Shown
    {
        MsgBoxMode mode = MsgBoxMode::Notice;
        std::string text;
    };

    MsgBoxAnswer ShowMessageBox(const MsgBoxRequest& request) override;
    std::optional<std::vector<std::string>> OpenFiles(const OpenFileRequest& request) override;
    std::optional<std::string> SelectFolder(const std::string& title,
                                            const std::string& startDir) override;

    // Queues the result of a later message box.
    void Answer(MsgBoxResult result);
    std::vector<Shown> Messages() const;
    std::vector<MsgBoxRequest> Requests() const;

    MsgBoxResult answer = MsgBoxResult::Closed;
    // Runs while a message box is up, as the box's modal loop would (GUI tests deliver
    // posted messages there).
    std::function<void()> whileShown;
    // The password box: the texts a user types in turn. As the real box does, it stays open
    // until `verifier` accepts one, which it answers with Ok; running out of them cancels.
    std::deque<std::string> typedPasswords;
    PasswordVerifier* verifier = nullptr;
    int passwordsTried = 0;
    std::deque<std::optional<std::vector<std::string>>> fileAnswers;
    std::vector<OpenFileRequest> fileRequests;
    // The folder picker takes the next queued answer, or is cancelled.
    std::deque<std::optional<std::string>> folderAnswers;
    std::vector<std::string> folderTitles;

private:
    mutable std::mutex mutex;
    std::deque<MsgBoxResult> answers;
    std::vector<MsgBoxRequest> requests;
};
