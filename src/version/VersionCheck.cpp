#include "version/VersionCheck.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

namespace {
constexpr int kInterruptPollMs = 50;
} // namespace

unsigned VersionCheckThread(VersionCheckJob& job) {
    QNetworkAccessManager session;
    QNetworkRequest request{QUrl(job.url)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setHeader(QNetworkRequest::UserAgentHeader, QCoreApplication::applicationName());
    request.setTransferTimeout(job.timeoutMs);
    QNetworkReply* reply = session.get(request);

    QByteArray body;
    bool cut = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = reply->readAll();
        body.append(chunk.left(job.maxBytes - body.size()));
        if (body.size() >= job.maxBytes && !reply->isFinished()) {
            cut = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer interrupt;
    QObject::connect(&interrupt, &QTimer::timeout, &loop, [&] {
        if (QThread::currentThread()->isInterruptionRequested()) {
            reply->abort();
        }
    });
    interrupt.start(kInterruptPollMs);
    if (!reply->isFinished()) {
        loop.exec();
    }
    interrupt.stop();
    if (QThread::currentThread()->isInterruptionRequested()) {
        reply->deleteLater();
        return 1; // the window is going: nobody to tell
    }
    if (reply->bytesAvailable() > 0 && !cut) {
        body.append(reply->readAll().left(job.maxBytes - body.size()));
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        // An error page is no version file, whatever it holds.
        if (job.failed) {
            job.failed(QStringLiteral("HTTP %1 %2")
                           .arg(status.toInt())
                           .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
        }
        reply->deleteLater();
        return 1;
    }
    const bool failed = reply->error() != QNetworkReply::NoError && !cut;
    if (failed && job.failed) {
        job.failed(reply->errorString());
    }
    reply->deleteLater();
    if (!body.isEmpty() && job.parse) {
        job.parse(body);
    }
    return 1;
}

VersionChecks::~VersionChecks() {
    Shutdown();
}

void VersionChecks::Start(VersionCheckJob job) {
    m_checks.remove_if([](const Check& c) { return c.thread->isFinished(); });
    m_checks.push_back(Check{nullptr, std::move(job)});
    Check& check = m_checks.back();
    check.thread.reset(QThread::create([&check] { VersionCheckThread(check.job); }));
    check.thread->start();
}

int VersionChecks::Running() const {
    int running = 0;
    for (const Check& c : m_checks) {
        running += c.thread->isFinished() ? 0 : 1;
    }
    return running;
}

void VersionChecks::Shutdown() {
    for (Check& c : m_checks) {
        c.thread->requestInterruption();
    }
    while (Running() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kInterruptPollMs);
        QThread::msleep(5);
    }
    m_checks.clear();
}
