#pragma once

#include <QRect>

#include <map>
#include <optional>

class QScreen;

// One display as the windows place themselves by it.
struct MonitorEntry
{
    int index = 0;
    QScreen* screen = nullptr;
    int dpi = 96;
    QRect monitorRect;
    QRect workRect;
    bool primary = false;
};

// The displays in the order the system lists them, built on first use. UI thread only.
class MonitorTable
{
public:
    MonitorTable();

    std::size_t Count() const { return entries.size(); }
    std::optional<MonitorEntry> Entry(int index) const;
    // 96 for an unknown index.
    int Dpi(int index) const;
    QRect MonitorRect(int index) const;
    QRect WorkRect(int index) const;

private:
    std::map<int, MonitorEntry> entries;
};

// The process-wide table.
const MonitorTable& Monitors();
