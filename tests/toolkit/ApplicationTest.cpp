#include <stdexcept>

#include <gtest/gtest.h>

#include <QEvent>

#include "ErrorReport.h"

namespace {

// Fails in its handler of user events, as a faulty event handler would.
class Failing : public QObject {
public:
    int handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++handled;
        throw std::runtime_error("handler failed");
    }
};

TEST(ApplicationTest, AnErrorThatEscapesAHandlerIsReportedAndTheLoopGoesOn)
{
    int argc = 3;
    char name[] = "toolkit_application_test", option[] = "-platform", platform[] = "offscreen";
    char* argv[] = {name, option, platform, nullptr};
    TApplication app(argc, argv);
    QStringList reports;
    const ErrorReporter previous = SetErrorReporter([&](const QString& m) { reports.append(m); });

    Failing failing;
    QEvent direct(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&failing, &direct));
    EXPECT_EQ(reports, QStringList{QStringLiteral("handler failed")});

    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(failing.handled, 3) << "the second posted event is still delivered";
    EXPECT_EQ(reports.size(), 3);

    SetErrorReporter(previous);
}

} // namespace
