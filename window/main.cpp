// The program entry: the application object, the main window, the message loop.
#include <QIcon>
#include <QPointer>

#include "ErrorReport.h"
#include "MainFormUnit.h"

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    QPointer<TMainForm> MainForm = new TMainForm;
    application.setWindowIcon(MainForm->windowIcon());
    // A tool window does not end the loop by itself when it closes; its destruction does.
    MainForm->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(MainForm.data(), &QObject::destroyed, &application, &QApplication::quit);
    MainForm->show();
    const int result = application.exec();
    delete MainForm.data();
    return result;
}
