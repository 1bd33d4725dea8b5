// The one test main: GUI test programs get a QApplication before any test runs.
#include <gtest/gtest.h>

#ifdef BRISVALE_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef BRISVALE_TEST_GUI
    // Listing the tests (at build time, without the test's environment) needs no display.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
