#pragma once

#include "gui/guitest.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A session bus that knows no service files, for a whole test executable: register it with
// ::testing::AddGlobalTestEnvironment before anything uses the session bus.
class SessionBus : public ::testing::Environment
{
public:
    void SetUp() override
    {
        TestApp();
        ASSERT_TRUE(dir.isValid());
        const QString config = dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                   "<auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>");
        file.close();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForReadyRead(5000)) << "dbus-daemon did not start";
        address = QString::fromLatin1(daemon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLatin1());
    }
    void TearDown() override
    {
        daemon.terminate();
        daemon.waitForFinished(2000);
    }

    static inline QString address;

private:
    QTemporaryDir dir;
    QProcess daemon;
};
