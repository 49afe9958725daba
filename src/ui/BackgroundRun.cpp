#include "ui/BackgroundRun.h"

#include "ui/ProgressDlg.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <future>
#include <thread>
#include <utility>

namespace {

// A run this short ends before the window would show a change: no events are taken meanwhile,
// so that nothing flickers and nothing the person does comes between.
constexpr std::chrono::milliseconds kShortRun{30};
// How often the window looks at the run: often enough that its end is not noticed late, rarely
// enough that the worker does not notice at all.
constexpr std::chrono::milliseconds kWatchInterval{40};

bool Ended(const std::future<void>& end) {
    return end.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

BackgroundRun::BackgroundRun(QWidget* owner, QString caption)
    : m_owner(owner), m_caption(std::move(caption)) {}

BackgroundRun::~BackgroundRun() = default;

void BackgroundRun::Run(const std::function<void(RunControl&)>& job) {
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
    });
    if (end.wait_for(kShortRun) != std::future_status::ready) {
        QEventLoop loop;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (Ended(end)) {
                // Gone at once, even while a box opened meanwhile keeps this loop from ending.
                if (m_window) {
                    m_window->hide();
                }
                loop.quit();
            } else {
                Watch(std::chrono::milliseconds(clock.elapsed()));
            }
        });
        watch.start(kWatchInterval);
        loop.exec();
        if (!Ended(end)) { // the loop was ended from outside
            m_control.Cancel();
        }
    }
    worker.join();
    m_window.reset();
    end.get();
}

void BackgroundRun::Watch(std::chrono::milliseconds elapsed) {
    if (!m_window && elapsed >= kProgressDelay) {
        m_window = std::make_unique<CProgressDlg>(m_control, m_caption, m_owner);
        m_window->show();
    }
    if (m_window) {
        m_window->ShowProgress(elapsed);
    }
}
