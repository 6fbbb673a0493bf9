#pragma once

#include "ui/traybackend.h"

#include <QMenu>
#include <QPointer>

// A notification area that tests click: they emit activated() and restarted() themselves,
// and see how often the icon was put in and which menu it offers.
class FakeTray : public TrayBackend
{
public:
    void Show(const QIcon&, const QString& tip, QMenu* contextMenu) override
    {
        ++shown;
        shownTip = tip;
        menu = contextMenu;
        present = true;
    }
    void Remove() override { present = false; }

    int shown = 0;
    bool present = false;
    QString shownTip;
    QPointer<QMenu> menu;
};
