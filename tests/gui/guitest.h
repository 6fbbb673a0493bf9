#pragma once

#include "ui/dialogservice.h"
#include "ui/theme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// The test executable's application object, created on first use with the program's look.
inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "dokora-gui-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* created = new QApplication(argc, argv);
        Theme::Apply(*created);
        return created;
    }();
    return *app;
}

// Runs the event loop until `done` holds or `timeout` passes; the last answer of `done`.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(3000))
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Answers dialogs from a script and records every question. A box without a scripted
// answer ends as closed. `whileShown` runs while a box is up, as a modal loop would.
class ScriptedDialogs : public DialogService
{
public:
    MsgBoxAnswer ShowMessageBox(const MsgBoxRequest& request) override
    {
        asked.push_back(request);
        if (whileShown)
            whileShown();
        if (answers.empty())
            return MsgBoxAnswer{};
        MsgBoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> SelectFiles(const FileDialogRequest& request) override
    {
        fileRequests.push_back(request);
        return {};
    }

    std::optional<std::string> SelectFolder(const std::string&, const std::string&) override
    {
        return std::nullopt;
    }

    void Answer(int result)
    {
        MsgBoxAnswer answer;
        answer.result = result;
        answers.push_back(answer);
    }

    std::vector<MsgBoxRequest> asked;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<MsgBoxAnswer> answers;
    std::function<void()> whileShown;
};
