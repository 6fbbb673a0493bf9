// The desktop's notification area on a session bus of the test's own: a host of the area
// that registers again makes the icon be added again.
#include "gui/sessionbus.h"
#include "ui/systemtray.h"

#include <QDBusConnection>

namespace {

const auto* const kBus = ::testing::AddGlobalTestEnvironment(new SessionBus);

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";

TEST(SystemTrayTest, AHostOfTheAreaThatStartsAgainAnnouncesARestart)
{
    TestApp();
    SystemTray tray;
    int restarts = 0;
    QObject::connect(&tray, &TrayBackend::restarted, [&] { ++restarts; });

    QDBusConnection panel = QDBusConnection::connectToBus(SessionBus::address, "panel");
    ASSERT_TRUE(panel.isConnected());
    ASSERT_TRUE(panel.registerService(QString::fromLatin1(kWatcher)));
    EXPECT_TRUE(WaitUntil([&] { return restarts == 1; }));

    // The panel goes away and comes back.
    ASSERT_TRUE(panel.unregisterService(QString::fromLatin1(kWatcher)));
    WaitUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(restarts, 1);
    ASSERT_TRUE(panel.registerService(QString::fromLatin1(kWatcher)));
    EXPECT_TRUE(WaitUntil([&] { return restarts == 2; }));
    QDBusConnection::disconnectFromBus(QStringLiteral("panel"));
}

} // namespace
