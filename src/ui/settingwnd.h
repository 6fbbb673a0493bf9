#pragma once

#include "settings/usersettings.h"

#include <QDialog>

class CCommandMenu;
class ClientInfoRecord;
class MessageTarget;
class QCheckBox;
class QListWidget;
class QStackedWidget;

// The settings window: a general page with the one user setting (notify after completion,
// written at once) and an about page with the version, the manual update check and the
// support group. The main window opens one at a time and forgets it when it closes.
class CSettingWnd : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 430;

    // `mainWnd` receives WM_UPDATE_CHECK; `clientInfo` and `settings` hold the setting.
    CSettingWnd(ClientInfoRecord& clientInfo, UserSettings settings, MessageTarget& mainWnd,
                QWidget* owner);

signals:
    // A command of the window's menu (611, 612), or 611 from the support group's button.
    void commandChosen(int id);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* BuildLeftColumn();
    QWidget* BuildCaption();
    QWidget* BuildCustomPage();
    QWidget* BuildAboutPage();
    void OnAttentionClicked(bool ticked);

    ClientInfoRecord& clientInfo;
    UserSettings settings;
    MessageTarget& mainWnd;
    QListWidget* pages = nullptr;
    QStackedWidget* tab = nullptr;
    QCheckBox* attention = nullptr;
    CCommandMenu* menu = nullptr;
};
