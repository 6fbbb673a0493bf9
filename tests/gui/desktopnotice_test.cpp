// The completion notice through the desktop's notification service: a session bus of the
// test's own with a stand-in for the service on it.
#include "gui/fakeopener.h"
#include "gui/mainwndfixture.h"
#include "gui/sessionbus.h"
#include "ui/convnotifywnd.h"
#include "ui/settingwnd.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

#include <chrono>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

const auto* const kBus = ::testing::AddGlobalTestEnvironment(new SessionBus);

// The desktop's notification service as far as the client uses it.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Request
    {
        uint replaces = 0;
        QString summary;
        QString body;
        QStringList actions;
        int timeout = 0;
    };

    std::vector<Request> requests;
    uint lastId = 0;

public slots:
    uint Notify(const QString&, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int timeout)
    {
        requests.push_back({replacesId, summary, body, actions, timeout});
        lastId = replacesId != 0 ? replacesId : lastId + 1;
        return lastId;
    }
    void CloseNotification(uint) {}
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
};

class DesktopNoticeTest : public MainWndTest
{
protected:
    DesktopNoticeTest()
        : serviceBus(QDBusConnection::connectToBus(SessionBus::address, QStringLiteral("fake")))
    {
        clientInfo.SetNotifyAfterFinish(true);
        services.noticeStyle = NoticeStyle::DesktopService;
        MakeWindow();
    }
    ~DesktopNoticeTest() override
    {
        window.reset();
        serviceBus.unregisterObject(QString::fromLatin1(kPath));
        serviceBus.unregisterService(QString::fromLatin1(kService));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
    }

    void StartService()
    {
        ASSERT_TRUE(serviceBus.isConnected());
        ASSERT_TRUE(serviceBus.registerObject(QString::fromLatin1(kPath), &notifications,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(serviceBus.registerService(QString::fromLatin1(kService)));
    }

    bool Saved(const std::string& path, std::size_t requests)
    {
        Post(WM_CONVERT_FILE_DONE, 0, path);
        return WaitUntil([&] { return notifications.requests.size() == requests; });
    }

    void Invoke(uint id, const char* action)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(QString::fromLatin1(kPath), QString::fromLatin1(kService),
                                       QStringLiteral("ActionInvoked"));
        signal << id << QString::fromLatin1(action);
        serviceBus.send(signal);
    }

    std::string Result(const std::string& name)
    {
        const std::string path = scratch.File(name);
        WriteFileBytes(path, "%PDF-1.4");
        return path;
    }

    QDBusConnection serviceBus;
    FakeNotifications notifications;
};

TEST_F(DesktopNoticeTest, TheServiceGetsTheNoticeWithItsActionsAndANewOneReplacesIt)
{
    StartService();
    ASSERT_TRUE(Saved(Result("first <b>.docx"), 1));
    const FakeNotifications::Request& first = notifications.requests[0];
    EXPECT_EQ(first.replaces, 0u);
    EXPECT_EQ(first.summary, QString::fromUtf8("文件处理完成！"));
    EXPECT_EQ(first.body, QStringLiteral("first &lt;b&gt;.docx"));
    EXPECT_EQ(first.actions, (QStringList{"open", QString::fromUtf8("快速打开"), "folder",
                                          QString::fromUtf8("打开文件夹"), "settings",
                                          QString::fromUtf8("通知设置")}));
    EXPECT_EQ(first.timeout, static_cast<int>(CConvNotifyWnd::kShowTime.count()));
    EXPECT_EQ(window->Notice().Window(), nullptr);

    // Once the service has named the first notice, the second replaces it.
    ASSERT_TRUE(WaitUntil([&] { return notifications.lastId == 1; }));
    Drain();
    ASSERT_TRUE(Saved(scratch.File("gone.docx"), 2));
    EXPECT_EQ(notifications.requests[1].replaces, 1u);
    EXPECT_FALSE(notifications.requests[1].actions.contains("open"));
}

TEST_F(DesktopNoticeTest, ResultsInQuickSuccessionEndInOneNotice)
{
    StartService();
    for (const char* name : {"a.docx", "b.docx", "c.docx"})
        Post(WM_CONVERT_FILE_DONE, 0, Result(name));
    // The first, then the latest in its place; the one between was never shown.
    ASSERT_TRUE(WaitUntil([&] { return notifications.requests.size() == 2; }));
    Drain();
    EXPECT_EQ(notifications.requests[0].body, QStringLiteral("a.docx"));
    EXPECT_EQ(notifications.requests[1].body, QStringLiteral("c.docx"));
    EXPECT_EQ(notifications.requests[1].replaces, 1u);
    EXPECT_EQ(notifications.requests.size(), 2u);
}

TEST_F(DesktopNoticeTest, ItsActionsDoWhatTheNoticeWindowsButtonsDo)
{
    FakeOpener opener(scratch, true);
    StartService();
    const std::string path = Result("report.docx");
    ASSERT_TRUE(Saved(path, 1));
    Drain();

    Invoke(notifications.lastId, "open");
    ASSERT_TRUE(opener.WaitForOpened("1|" + path + "\n"));
    Invoke(notifications.lastId, "folder");
    ASSERT_TRUE(opener.WaitForOpened("1|" + path + "\n1|" + scratch.Path().string() + "\n"));
    // Another program's notice is not ours.
    Invoke(notifications.lastId + 7, "open");
    Invoke(notifications.lastId, "settings");
    EXPECT_TRUE(WaitUntil([&] { return window->SettingWindow() != nullptr; }));
    EXPECT_EQ(opener.Opened(), "1|" + path + "\n1|" + scratch.Path().string() + "\n");
}

TEST_F(DesktopNoticeTest, WithoutTheServiceTheNoticeWindowAppears)
{
    Post(WM_CONVERT_FILE_DONE, 0, Result("fallback.docx"));
    EXPECT_TRUE(WaitUntil([&] { return window->Notice().Window() != nullptr; }, 5s));
}

TEST_F(DesktopNoticeTest, NothingIsAskedWhileTheUserTurnedItOff)
{
    StartService();
    clientInfo.SetNotifyAfterFinish(false);
    Post(WM_CONVERT_FILE_DONE, 0, Result("quiet.docx"));
    WaitUntil([] { return false; }, 300ms);
    EXPECT_TRUE(notifications.requests.empty());
    EXPECT_EQ(window->Notice().Window(), nullptr);
}

} // namespace

#include "desktopnotice_test.moc"
