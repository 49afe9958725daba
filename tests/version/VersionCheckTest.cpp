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
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>
#include <set>
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->VersionCheckThreads().Running() == 0; }, 20000))
            << "a check never ended";
    }

    // Serves one body and checks it, with a plain uncached GET.
    void CheckBody(const std::string& body) {
        test::HttpServer server([&](const std::string&) { return test::HttpServer::Reply(body); });
        Check(server.Url());
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1U);
        EXPECT_EQ(requests[0].rfind("GET /version/version.txt HTTP/1.1\r\n", 0), 0U) << requests[0];
        const std::string agent = "User-Agent: " + QCoreApplication::applicationName().toStdString() + "\r\n";
        EXPECT_NE(requests[0].find(agent), std::string::npos) << requests[0];
        EXPECT_NE(requests[0].find("Cache-Control: no-cache"), std::string::npos) << requests[0];
    }

    test::TempDir dir;
    platform::ProfileStore store{dir / "Datemark.ini"};
    test::FakePrompts* prompts = nullptr;
    std::unique_ptr<CMainDlg> dialog;
};

} // namespace

TEST_F(VersionCheckTest, TheBodyDecidesTheAnswer) {
    const std::vector<test::FakePrompts::Shown> noUpgrade = {
        {kNoUpgrade, kCaption, win32::mb::IconInformation}};
    const struct {
        std::string body;
        std::vector<QString> news; // the release it tells of
        bool noUpgradeBox;         // the box saying there is none
    } cases[] = {
        {"; news\n[Datemark]\nVersion=1.4.0\nDate=2005/12/01\n",
         {"[2005/12/01] にﾊﾞｰｼﾞｮﾝ [1.4.0] がﾘﾘｰｽされています。"},
         false},
        {"[Datemark]\nVersion=1.3.0\n", {}, true},
        // 8 MiB of nothing useful is cut, never taken in, and cutting it is no failure.
        {"[Datemark]\nVersion=3.0\n" + std::string(8 << 20, ';'),
         {"ﾊﾞｰｼﾞｮﾝ [3.0] がﾘﾘｰｽされています。"},
         false},
        // Server texts are code page 932 and stay plain text.
        {"[Datemark]\nVersion=1.5\nDate=\x82\xCD\x82\xE9 <b>&amp;</b>\n",
         {"[はる <b>&amp;</b>] にﾊﾞｰｼﾞｮﾝ [1.5] がﾘﾘｰｽされています。"},
         false},
        {"", {}, false}, // silence
    };
    for (const auto& c : cases) {
        prompts->messages.clear();
        prompts->news.clear();
        CheckBody(c.body);
        EXPECT_EQ(prompts->news, c.news) << c.body.substr(0, 60);
        EXPECT_EQ(prompts->messages, c.noUpgradeBox ? noUpgrade : decltype(noUpgrade){})
            << c.body.substr(0, 60);
    }
}

TEST_F(VersionCheckTest, AFailedCheckSaysWhyInAStopBox) {
    const struct {
        const char* what;
        std::optional<test::HttpServer::Answer> answer; // none: nothing listens
        QString text;                                   // empty: the system's own words
    } cases[] = {
        // Even a page that looks like a newer release is no answer to the question.
        {"404", test::HttpServer::Reply("[Datemark]\nVersion=9.0\n", 404, "Not Found"), "HTTP 404 Not Found"},
        {"no answer", test::HttpServer::Answer{{}, true}, {}},
        {"refused", std::nullopt, {}},
    };
    for (const auto& c : cases) {
        prompts->messages.clear();
        std::optional<test::HttpServer> server;
        if (c.answer) {
            server.emplace([&](const std::string&) { return *c.answer; });
        }
        Check(server ? server->Url() : "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/v", 400);
        ASSERT_EQ(prompts->messages.size(), 1U) << c.what;
        EXPECT_EQ(prompts->messages[0].caption, kCaption) << c.what;
        EXPECT_EQ(prompts->messages[0].type, win32::mb::IconStop) << c.what;
        if (c.text.isEmpty()) {
            EXPECT_FALSE(prompts->messages[0].text.isEmpty()) << c.what;
            EXPECT_NE(prompts->messages[0].text, QString::fromUtf8("ﾊﾞｰｼﾞｮﾝﾁｪｯｸに失敗しました")) << c.what;
        } else {
            EXPECT_EQ(prompts->messages[0].text, c.text) << c.what;
        }
        EXPECT_TRUE(prompts->news.empty()) << c.what;
    }
}

TEST(VersionupDlg, ShowsTheServersTextAsPlainText) {
    const QString message = "[<b>&amp;</b>] にﾊﾞｰｼﾞｮﾝ [1.5] がﾘﾘｰｽされています。";
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
    // One answer each, in whichever order they came.
    std::multiset<unsigned> types;
    for (const auto& m : prompts->messages) {
        EXPECT_EQ(m.caption, kCaption);
        EXPECT_EQ(m.text == kNoUpgrade, m.type == win32::mb::IconInformation) << m.text.toStdString();
        types.insert(m.type);
    }
    EXPECT_EQ(types, (std::multiset<unsigned>{win32::mb::IconInformation, win32::mb::IconStop}));
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
