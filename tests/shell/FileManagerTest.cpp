// The file manager hand-offs, against a fake file manager on a private session bus.
#include "shell/FileManager.h"

#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QStringList properties;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
    void ShowItemProperties(const QStringList& uris, const QString&) { properties += uris; }
};

class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A socket of its own in the test's folder: nothing is left in /tmp afterwards.
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                     QString::fromStdString("--address=unix:path=" + (busDir / "bus"))});
        ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon is missing";
        ASSERT_TRUE(daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        server = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "fm-server"));
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "fm-client"));
        ASSERT_TRUE(server->isConnected());
        ASSERT_TRUE(client->isConnected());
    }

    void TearDown() override {
        serverThread.quit();
        serverThread.wait();
        QDBusConnection::disconnectFromBus("fm-server");
        QDBusConnection::disconnectFromBus("fm-client");
        daemon.kill();
        daemon.waitForFinished();
    }

    // The fake answers on a thread of its own: the hand-offs block until they get a reply.
    void Serve() {
        fake.moveToThread(&serverThread);
        serverThread.start();
        ASSERT_TRUE(
            server->registerObject("/org/freedesktop/FileManager1", &fake, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server->registerService("org.freedesktop.FileManager1"));
    }

    test::TempDir busDir;
    QProcess daemon;
    QThread serverThread;
    std::unique_ptr<QDBusConnection> server;
    std::unique_ptr<QDBusConnection> client;
    FakeFileManager fake;
};

struct Failures {
    QStringList why;
    HandOffFailed Hear() {
        return [this](const QString& text) { why << text; };
    }
};

} // namespace

TEST(FileUrl, KeepsTheBytesOfTheName) {
    EXPECT_EQ(FileUrl("/tmp/a b/レポート.txt"), "file:///tmp/a%20b/%E3%83%AC%E3%83%9D%E3%83%BC%E3%83%88.txt");
    EXPECT_EQ(FileUrl("/tmp/\xff%#?"), "file:///tmp/%FF%25%23%3F");
}

TEST_F(FileManagerTest, RevealAndPropertiesAskTheFileManager) {
    Serve();
    Failures failures;
    RevealInFileManager("/tmp/x y.txt", failures.Hear(), *client);
    ShowItemProperties("/tmp/dir", failures.Hear(), *client);
    serverThread.quit();
    serverThread.wait();
    EXPECT_EQ(fake.shown, QStringList{"file:///tmp/x%20y.txt"});
    EXPECT_EQ(fake.properties, QStringList{"file:///tmp/dir"});
    EXPECT_TRUE(failures.why.isEmpty());
}

TEST_F(FileManagerTest, WithoutAFileManagerTheContainingFolderOpens) {
    for (const bool properties : {false, true}) {
        test::DesktopOpener opener(/*withHandler=*/true);
        const std::string folder = opener.dir / "a b";
        test::MakeFolder(folder);
        Failures failures;
        const std::string item = folder + "/レポート.txt";
        properties ? ShowItemProperties(item, failures.Hear(), *client)
                   : RevealInFileManager(item, failures.Hear(), *client);
        EXPECT_EQ(opener.Opened(), folder + "/") << properties;
        test::Settle();
        EXPECT_TRUE(failures.why.isEmpty()) << failures.why.join('\n').toStdString();
    }
}

TEST_F(FileManagerTest, WhenNothingCanOpenTheFolderTheFailureSaysWhy) {
    test::DesktopOpener opener(/*withHandler=*/false);
    Failures failures;
    QDBusConnection none = QDBusConnection::connectToBus(QString("unix:path=/nonexistent/bus"), "fm-none");
    ShowItemProperties(opener.dir.Path() + "/x.txt", failures.Hear(), none);
    QDBusConnection::disconnectFromBus("fm-none");
    (void)QTest::qWaitFor([&] { return !failures.why.isEmpty(); }, 10000);
    ASSERT_EQ(failures.why.size(), 1);
    EXPECT_TRUE(failures.why[0].contains("xdg-open")) << failures.why[0].toStdString();
}

#include "FileManagerTest.moc"
