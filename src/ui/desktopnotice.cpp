#include "ui/desktopnotice.h"

#include "adapter/filerecord.h"
#include "ui/convnotifywnd.h"
#include "ui/theme.h"
#include "utility/applog.h"
#include "utility/pathsplit.h"
#include "utility/tc_checkpath.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <utility>

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

constexpr const char* kActionOpen = "open";
constexpr const char* kActionFolder = "folder";
constexpr const char* kActionSettings = "settings";

} // namespace

CDesktopNotice::CDesktopNotice(NoticeActions actions,
                               std::function<void(const std::string&)> unavailable,
                               QDBusConnection bus)
    : actions(std::move(actions)), unavailable(std::move(unavailable)), bus(std::move(bus))
{
    const QString service = QString::fromLatin1(kService);
    const QString path = QString::fromLatin1(kPath);
    const QString interface = QString::fromLatin1(kInterface);
    this->bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                      SLOT(OnActionInvoked(uint, QString)));
    this->bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                      SLOT(OnClosed(uint, uint)));
}

void CDesktopNotice::Show(const std::string& path)
{
    if (asking) {
        queued = path;
        return;
    }
    Notify(path);
}

void CDesktopNotice::Notify(const std::string& path)
{
    asking = true;
    QStringList offered;
    if (TC_CHECKPATH::TC_FileExist(path.c_str()))
        offered << QString::fromLatin1(kActionOpen) << Theme::Text("@string/str_notify_btn_open");
    offered << QString::fromLatin1(kActionFolder) << Theme::Text("@string/str_notify_btn_folder")
            << QString::fromLatin1(kActionSettings)
            << Theme::Text("@string/str_acc_notify_setting");

    QDBusMessage notify =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    // The body may be read as markup: the name is text.
    const QString name = QString::fromStdString(std::string(SplitPath(path).name));
    notify << Theme::Text("@string/str_appTitle") << shownId << QString()
           << Theme::Text("@string/str_notify_finished") << name.toHtmlEscaped() << offered
           << QVariantMap() << static_cast<int>(CConvNotifyWnd::kShowTime.count());
    auto* call = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, path](QDBusPendingCallWatcher* done) { OnNotifyReply(done, path); });
}

void CDesktopNotice::OnNotifyReply(QDBusPendingCallWatcher* call, const std::string& path)
{
    call->deleteLater();
    asking = false;
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        AppLog("CDesktopNotice::Show",
               "notification service: " + reply.error().message().toStdString());
        unavailable(path);
    } else {
        paths.erase(shownId);
        shownId = reply.value();
        paths[shownId] = path;
    }
    if (queued) {
        const std::string next = std::move(*queued);
        queued.reset();
        Notify(next);
    }
}

void CDesktopNotice::OnActionInvoked(uint id, const QString& action)
{
    const auto notice = paths.find(id);
    if (notice == paths.end())
        return;
    const std::string path = notice->second;
    if (action == QLatin1String(kActionOpen)) {
        if (TC_CHECKPATH::TC_FileExist(path.c_str()))
            actions.open(path);
    } else if (action == QLatin1String(kActionFolder)) {
        actions.open(std::string(PathDirectory(path)));
    } else if (action == QLatin1String(kActionSettings)) {
        actions.showSettings();
    }
}

void CDesktopNotice::OnClosed(uint id, uint)
{
    paths.erase(id);
}
