#pragma once

#include "filelist/RunControl.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class CProgressDlg;
class QWidget;

// Runs one job on a worker thread and returns when it has ended, the window thread's events
// going on meanwhile: the caller's code reads as if the job ran in place, and the window
// repaints, moves and resizes. A job still running after kProgressDelay gets a progress window
// over the owner, through which a person may cancel it. The job may read what the window
// shows but must change nothing the window thread uses until Run returns; what it produced is
// the caller's from then on. The worker never outlives Run: when the event loop is told to end
// meanwhile (the program quits), the run is cancelled and waited for.
class BackgroundRun {
public:
    static constexpr std::chrono::milliseconds kProgressDelay{300};

    BackgroundRun(QWidget* owner, QString caption);
    ~BackgroundRun();
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    // At most once per object. What the job threw is thrown again here, once the worker has
    // ended.
    void Run(const std::function<void(RunControl&)>& job);

    // The run stops between two items; Run still returns only when the worker has ended.
    void Cancel() { m_control.Cancel(); }

private:
    void Watch(std::chrono::milliseconds elapsed, bool ended);

    QWidget* m_owner;
    QString m_caption;
    RunControl m_control;
    std::unique_ptr<CProgressDlg> m_window;
};
