#pragma once

#include "ui/theme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <chrono>
#include <functional>

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
