// The one test main: GUI test programs get a QApplication before any test runs.
#include <gtest/gtest.h>

#ifdef BRISVALE_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef BRISVALE_TEST_GUI
    QApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
