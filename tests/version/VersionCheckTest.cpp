// The version check against a real HTTP server on 127.0.0.1.
#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/HttpServer.h"
#include "support/TestSupport.h"
#include "ui/MainDlg.h"
#include "ui/MessageBox.h"
#include "version/VersionupDlg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <tuple>

namespace {

const QString kCaption = QString::fromUtf8("最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ");
const QString kNoUpgrade = QString::fromUtf8("ﾊﾞｰｼﾞｮﾝｱｯﾌﾟはありません。");

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override { std::tie(dialog, prompts) = test::MakeMainDlg(store); }

    // Runs one check against the url and serves the window until it has ended.
    void Check(const std::string& url, int timeoutMs = 10000) {
        dialog->SetVersionSource(QString::fromStdString(url), timeoutMs);
        dialog->OnSysCommand(IDM_VERSIONCHECK);
        WaitForChecks();
    }

    void WaitForChecks() {
        QElapsedTimer clock;
        clock.start();
        while (dialog->VersionCheckThreads().Running() > 0 && clock.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        ASSERT_EQ(dialog->VersionCheckThreads().Running(), 0) << "a check never ended";
    }

    // Serves one body and checks it.
    void CheckBody(const std::string& body) {
        test::HttpServer server([&](const std::string&) { return test::HttpServer::Reply(body); });
        Check(server.Url());
    }

    void ExpectOnlyMessage(const QString& text, unsigned type) {
        ASSERT_EQ(prompts->messages.size(), 1U);
        EXPECT_EQ(prompts->messages[0].text, text);
        EXPECT_EQ(prompts->messages[0].caption, kCaption);
        EXPECT_EQ(prompts->messages[0].type, type);
        EXPECT_TRUE(prompts->news.empty());
    }

    test::TempDir dir;
    platform::ProfileStore store{dir / "Datemark.ini"};
    test::FakePrompts* prompts = nullptr;
    std::unique_ptr<CMainDlg> dialog;
};

} // namespace

// news: the release it tells of; nullptr: the box saying there is none; "": silence.
TEST_F(VersionCheckTest, TheBodyDecidesTheAnswer) {
    const char* const dated = "[2005/12/01] にﾊﾞｰｼﾞｮﾝ [1.4.0] がﾘﾘｰｽされています。";
    const struct {
        std::string body;
        const char* news;
    } cases[] = {
        {"; news\n[Datemark]\nVersion=1.4.0\nDate=2005/12/01\n", dated},
        {"[Datemark]\r\nVersion=1.4.0\r\nDate=2005/12/01\r\n", dated},
        {"[Datemark]\nVersion=2\nDate=\n", "ﾊﾞｰｼﾞｮﾝ [2] がﾘﾘｰｽされています。"},
        // Only the section's last version line counts.
        {"[Datemark]\nVersion=9.0\nversion=9.1\n[Other]\nVersion=9.2\n[Datemark]\nVersion=1.2\n", nullptr},
        {"Version=9.0\n[Datemark]\nDate=x\n[Datemark]\nVersion=1.5",
         "[x] にﾊﾞｰｼﾞｮﾝ [1.5] がﾘﾘｰｽされています。"},
        // 8 MiB of nothing useful is cut, never taken in, and cutting it is no failure.
        {"[Datemark]\nVersion=3.0\n" + std::string(8 << 20, ';'), "ﾊﾞｰｼﾞｮﾝ [3.0] がﾘﾘｰｽされています。"},
        {"", ""},
    };
    for (const auto& c : cases) {
        prompts->messages.clear();
        prompts->news.clear();
        CheckBody(c.body);
        const std::string shown = c.body.substr(0, 60);
        if (c.news == nullptr) {
            ExpectOnlyMessage(kNoUpgrade, win32::mb::IconInformation);
            continue;
        }
        EXPECT_TRUE(prompts->messages.empty()) << shown;
        if (c.news[0] == '\0') {
            EXPECT_TRUE(prompts->news.empty()) << shown;
        } else {
            ASSERT_EQ(prompts->news.size(), 1U) << shown;
            EXPECT_EQ(prompts->news[0], QString::fromUtf8(c.news)) << shown;
        }
    }
}

TEST_F(VersionCheckTest, TheRequestIsAPlainUncachedGet) {
    test::HttpServer server(
        [](const std::string&) { return test::HttpServer::Reply("[Datemark]\nVersion=1.3.0\n"); });
    Check(server.Url());
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests[0].rfind("GET /version/version.txt HTTP/1.1\r\n", 0), 0U) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: " + QCoreApplication::applicationName().toStdString() + "\r\n"),
              std::string::npos)
        << requests[0];
    EXPECT_NE(requests[0].find("Cache-Control: no-cache"), std::string::npos) << requests[0];
    ExpectOnlyMessage(kNoUpgrade, win32::mb::IconInformation);
}

TEST_F(VersionCheckTest, VersionsComparedAsTheFileWritesThem) {
    const std::pair<const char*, bool> cases[] = {
        {"1.3.1", true},  {"1.4", true},  {"2", true},      {"1.10.0", true},   {" 1.4", true},
        {"01.3.1", true}, {"1.3", false}, {"1.3.0", false}, {"1.3.0.9", false}, {"1.2.9", false},
        {"0.9.9", false}, {"", false},    {"a.4", false},
    };
    for (const auto& [version, newer] : cases) {
        prompts->messages.clear();
        prompts->news.clear();
        CheckBody(std::string("[Datemark]\nVersion=") + version + "\n");
        if (newer) {
            ASSERT_EQ(prompts->news.size(), 1U) << version;
            EXPECT_EQ(prompts->news[0],
                      QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ [") + version + QString::fromUtf8("] がﾘﾘｰｽされています。"));
        } else {
            ExpectOnlyMessage(kNoUpgrade, win32::mb::IconInformation);
        }
    }
}

TEST_F(VersionCheckTest, AnErrorStatusIsAFailureWithItsReason) {
    for (const auto& answer : {std::pair{404, "Not Found"}, {500, "Internal Server Error"}}) {
        const int status = answer.first;
        const std::string reason = answer.second;
        prompts->messages.clear();
        // Even a page that looks like a newer release is no answer to the question.
        test::HttpServer server([&](const std::string&) {
            return test::HttpServer::Reply("[Datemark]\nVersion=9.0\n", status, reason);
        });
        Check(server.Url());
        ExpectOnlyMessage(QStringLiteral("HTTP %1 %2").arg(status).arg(QString::fromUtf8(reason)),
                          win32::mb::IconStop);
    }
}

TEST_F(VersionCheckTest, AServerThatNeverAnswersTimesOut) {
    test::HttpServer server([](const std::string&) { return test::HttpServer::Answer{{}, true}; });
    QElapsedTimer clock;
    clock.start();
    Check(server.Url(), 400);
    EXPECT_LT(clock.elapsed(), 15000);
    ASSERT_EQ(prompts->messages.size(), 1U);
    EXPECT_EQ(prompts->messages[0].caption, kCaption);
    EXPECT_EQ(prompts->messages[0].type, win32::mb::IconStop);
    EXPECT_FALSE(prompts->messages[0].text.isEmpty());
}

TEST_F(VersionCheckTest, ARefusedConnectionShowsTheSystemsText) {
    Check("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/version/version.txt");
    ASSERT_EQ(prompts->messages.size(), 1U);
    EXPECT_EQ(prompts->messages[0].caption, kCaption);
    EXPECT_EQ(prompts->messages[0].type, win32::mb::IconStop);
    EXPECT_FALSE(prompts->messages[0].text.isEmpty());
    EXPECT_NE(prompts->messages[0].text, QString::fromUtf8("ﾊﾞｰｼﾞｮﾝﾁｪｯｸに失敗しました"));
}

TEST_F(VersionCheckTest, ServerTextsAreCodePage932AndPlainText) {
    CheckBody("[Datemark]\nVersion=1.5\nDate=\x82\xCD\x82\xE9 <b>&amp;</b>\n");
    ASSERT_EQ(prompts->news.size(), 1U);
    const QString message = prompts->news[0];
    EXPECT_EQ(message, QString::fromUtf8("[はる <b>&amp;</b>] にﾊﾞｰｼﾞｮﾝ [1.5] がﾘﾘｰｽされています。"));
    CVersionupDlg news;
    news.m_strMessage = message;
    QTimer::singleShot(0, &news, [&] {
        EXPECT_EQ(news.m_staticMessage->text(), message);
        EXPECT_EQ(news.m_staticMessage->textFormat(), Qt::PlainText);
        news.accept();
    });
    news.DoModal();
}

TEST_F(VersionCheckTest, TwoChecksAtOnceBothFinishWithoutMixingTheirMessages) {
    test::HttpServer slow([](const std::string&) {
        QThread::msleep(200);
        return test::HttpServer::Reply("[Datemark]\nVersion=1.0\n");
    });
    dialog->SetVersionSource(QString::fromStdString(slow.Url()), 5000);
    dialog->OnSysCommand(IDM_VERSIONCHECK);
    dialog->SetVersionSource(
        QString::fromStdString("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/v"), 5000);
    dialog->OnSysCommand(IDM_VERSIONCHECK);
    WaitForChecks();
    ASSERT_EQ(prompts->messages.size(), 2U);
    int info = 0;
    int error = 0;
    for (const auto& m : prompts->messages) {
        EXPECT_EQ(m.caption, kCaption);
        if (m.type == win32::mb::IconInformation) {
            EXPECT_EQ(m.text, kNoUpgrade);
            ++info;
        } else {
            EXPECT_EQ(m.type, win32::mb::IconStop);
            EXPECT_NE(m.text, kNoUpgrade);
            ++error;
        }
    }
    EXPECT_EQ(info, 1);
    EXPECT_EQ(error, 1);
}

TEST_F(VersionCheckTest, ClosingTheWindowStopsARunningCheck) {
    test::HttpServer server([](const std::string&) { return test::HttpServer::Answer{{}, true}; });
    dialog->SetVersionSource(QString::fromStdString(server.Url()), 60000);
    dialog->OnSysCommand(IDM_VERSIONCHECK);
    QElapsedTimer clock;
    clock.start();
    dialog.reset();
    EXPECT_LT(clock.elapsed(), 5000);
}
