#pragma once
// Where errors that escape a handler end up: one report, and the program goes on.

#include <concepts>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

#include <QApplication>
#include <QString>

using ErrorReporter = std::function<void(const QString& message)>;

// Hands the message to the installed reporter; by default a critical message box showing the
// message as plain text. Returns when the report has been dismissed.
void ReportError(const QString& message);

// Installs a reporter (an empty one restores the message box) and returns the previous one.
ErrorReporter SetErrorReporter(ErrorReporter reporter);

// Reports what() of a std::exception, "Unknown error" for anything else; a null pointer reports
// nothing.
void ReportException(std::exception_ptr error);

// A handler that reports what escapes the wrapped one instead of letting it unwind into Qt's
// event dispatch. Its call operators take part in overload resolution only for arguments the
// wrapped handler accepts, so Qt's connect() drops signal arguments the handler does not take.
template <typename F>
class TGuardedHandler {
public:
    explicit TGuardedHandler(F handler) : handler_(std::move(handler)) {}

    template <typename... A>
        requires std::invocable<F&, A...>
    void operator()(A&&... args)
    {
        try {
            std::invoke(handler_, std::forward<A>(args)...);
        } catch (...) {
            ReportException(std::current_exception());
        }
    }

    template <typename... A>
        requires std::invocable<const F&, A...>
    void operator()(A&&... args) const
    {
        try {
            std::invoke(handler_, std::forward<A>(args)...);
        } catch (...) {
            ReportException(std::current_exception());
        }
    }

private:
    F handler_;
};

template <typename F>
auto Guarded(F handler)
{
    return TGuardedHandler<std::decay_t<F>>(std::move(handler));
}

// The application object: an exception that escapes any event handler is reported and the
// event loop goes on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
