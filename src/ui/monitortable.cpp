#include "ui/monitortable.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
constexpr int kDefaultDpi = 96;
}

MonitorTable::MonitorTable()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    int index = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        MonitorEntry entry;
        entry.index = index;
        entry.screen = screen;
        entry.dpi = qRound(screen->logicalDotsPerInch());
        if (entry.dpi <= 0)
            entry.dpi = kDefaultDpi;
        entry.monitorRect = screen->geometry();
        entry.workRect = screen->availableGeometry();
        entry.primary = screen == primary;
        entries.emplace(index++, entry);
    }
}

std::optional<MonitorEntry> MonitorTable::Entry(int index) const
{
    if (const auto found = entries.find(index); found != entries.end())
        return found->second;
    return std::nullopt;
}

int MonitorTable::Dpi(int index) const
{
    const auto entry = Entry(index);
    return entry ? entry->dpi : kDefaultDpi;
}

QRect MonitorTable::MonitorRect(int index) const
{
    const auto entry = Entry(index);
    return entry ? entry->monitorRect : QRect();
}

QRect MonitorTable::WorkRect(int index) const
{
    const auto entry = Entry(index);
    return entry ? entry->workRect : QRect();
}

const MonitorTable& Monitors()
{
    static const MonitorTable table;
    return table;
}
