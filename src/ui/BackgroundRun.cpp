#include "ui/BackgroundRun.h"

#include "ui/ProgressDlg.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <future>
#include <thread>
#include <utility>

namespace {

// A run this short ends before the window would show a change: no events are taken meanwhile,
// so that nothing flickers and nothing the person does comes between.
constexpr std::chrono::milliseconds kShortRun{30};
// How often the progress window shows the run's state. The end of the run needs no looking:
// the worker reports it itself.
constexpr std::chrono::milliseconds kWatchInterval{100};

bool Ended(const std::future<void>& end) {
    return end.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

BackgroundRun::BackgroundRun(QWidget* owner, QString caption)
    : m_owner(owner), m_caption(std::move(caption)) {}

BackgroundRun::~BackgroundRun() = default;

void BackgroundRun::Run(const std::function<void(RunControl&)>& job) {
    QEventLoop loop;
    std::promise<void> ended;
    std::future<void> end = ended.get_future();
    QElapsedTimer clock;
    clock.start();
    std::thread worker([&] {
        try {
            job(m_control);
            ended.set_value();
        } catch (...) {
            ended.set_exception(std::current_exception());
        }
        // Queued, so that it counts also when it comes before the loop runs; one that comes
        // after a short run goes with the loop.
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    if (end.wait_for(kShortRun) != std::future_status::ready) {
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loop,
                         [&] { Watch(std::chrono::milliseconds(clock.elapsed()), Ended(end)); });
        watch.start(kWatchInterval);
        loop.exec();
        if (!Ended(end)) { // the loop was ended from outside: the program quits
            m_control.Cancel();
        }
    }
    worker.join();
    if (m_window) {
        m_window.reset();
        if (m_owner != nullptr && m_owner->isVisible()) {
            m_owner->activateWindow(); // the keys go back where they were before the run
        }
    }
    end.get();
}

void BackgroundRun::Watch(std::chrono::milliseconds elapsed, bool ended) {
    if (ended) {
        // Gone at once, even while a box opened meanwhile keeps the loop from ending.
        if (m_window) {
            m_window->hide();
        }
        return;
    }
    if (!m_window && elapsed >= kProgressDelay) {
        m_window = std::make_unique<CProgressDlg>(m_control, m_caption, m_owner);
        m_window->show();
    }
    if (m_window) {
        m_window->ShowProgress(elapsed);
    }
}
