#include "Timer.h"

#include <QPointer>
#include <QTimer>

#include "ErrorReport.h"

TTimer::TTimer(QObject* parent) : QObject(parent), timer_(new QTimer(this))
{
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &TTimer::tick);
}

TTimer::~TTimer() = default;

int TTimer::Interval() const
{
    return interval_;
}

void TTimer::SetInterval(int ms)
{
    interval_ = ms;
    restart();
}

bool TTimer::Enabled() const
{
    return enabled_;
}

void TTimer::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    restart();
}

void TTimer::restart()
{
    if (enabled_ && interval_ > 0)
        timer_->start(interval_);
    else
        timer_->stop();
}

void TTimer::tick()
{
    // A handler or an error report that opens a nested event loop (a message box) gets no
    // second tick meanwhile.
    if (inTick_ || !OnTimer)
        return;
    // The handler may clear OnTimer or destroy the timer; run a copy and watch for the latter.
    const TNotifyEvent handler = OnTimer;
    const QPointer<TTimer> self(this);
    inTick_ = true;
    std::exception_ptr error;
    try {
        handler(this);
    } catch (...) {
        error = std::current_exception();
    }
    ReportException(error);
    if (self)
        inTick_ = false;
}
