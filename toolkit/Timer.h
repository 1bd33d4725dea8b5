#pragma once
// A timer whose handler is a plain function object; errors from the handler are reported.

#include <functional>

#include <QObject>

class QTimer;

using TNotifyEvent = std::function<void(QObject* Sender)>;

class TTimer : public QObject {
    Q_OBJECT
public:
    // Starts disabled, with an interval of 1000 ms.
    explicit TTimer(QObject* parent = nullptr);
    ~TTimer() override;

    int Interval() const;
    // Milliseconds; a running timer starts a fresh interval. 0 or less: no ticks.
    void SetInterval(int ms);
    bool Enabled() const;
    // true: the next tick comes one full interval after this call. false: no tick until enabled.
    void SetEnabled(bool enabled);

    // Called with the timer on every tick; an empty handler makes ticks do nothing.
    TNotifyEvent OnTimer;

private:
    void restart();
    void tick();

    QTimer* timer_;
    int interval_ = 1000;
    bool enabled_ = false;
    bool inTick_ = false;
};
