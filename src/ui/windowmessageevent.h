#pragma once

#include "base/windowmessage.h"

#include <QEvent>

// A posted window message on its way to the main window's event queue.
class WindowMessageEvent : public QEvent
{
public:
    explicit WindowMessageEvent(WindowMessage message)
        : QEvent(EventType()), message(std::move(message))
    {
    }

    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    WindowMessage& Message() { return message; }

private:
    WindowMessage message;
};
