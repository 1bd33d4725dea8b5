#pragma once
// A main window shown over the scripted interface table, errors that reach the error report
// captured in `reports`, the platform and the reporter restored afterwards.

#include <memory>

#include <gtest/gtest.h>

#include <QStringList>
#include <QTest>

#include "ErrorReport.h"
#include "MainFormUnit.h"
#include "PlatformDouble.h"

class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousReporter = SetErrorReporter([this](const QString& message) { reports << message; });
        brisvale::testing::resetPlatform();
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override
    {
        form.reset();
        brisvale::testing::resetPlatform();
        SetErrorReporter(previousReporter);
    }

    std::unique_ptr<TMainForm> form;
    QStringList reports;

private:
    ErrorReporter previousReporter;
};
