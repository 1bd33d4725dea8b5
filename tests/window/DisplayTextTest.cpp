// The texts of the detail view: start time and status line.
#include <chrono>

#include <gtest/gtest.h>

#include <QDate>
#include <QTime>

#include "DisplayText.h"

namespace {

using namespace std::chrono;

TEST(DateTimeText, ShowsTheTimeUnlessItIsExactlyMidnight)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale c = QLocale::c();
    struct Case {
        const QLocale& locale;
        TDateTime moment;
        const char* expected;
    };
    const local_days day = local_days{2024y / February / 29};
    const Case cases[] = {
        {german, day, "29.02.24"},
        {german, day + 500ms, "29.02.24"},
        {german, day + 999ms, "29.02.24"},
        {german, day + 1s, "29.02.24 00:00:01"},
        {german, day + 1s + 500ms, "29.02.24 00:00:01"},
        {german, day + 12h + 34min + 56s, "29.02.24 12:34:56"},
        {german, day + 23h + 59min + 59s + 999ms, "29.02.24 23:59:59"},
        {german, day + 24h, "01.03.24"},
        {c, day + 1min, "29 Feb 2024 00:01:00"},
        {c, local_days{1969y / December / 31} + 23h, "31 Dec 1969 23:00:00"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(DateTimeText(test.moment, test.locale), QString::fromLatin1(test.expected));
}

TEST(DateTimeText, LeavesTheTimeZoneOutOfTheLongTimeFormat)
{
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Chinese, QLocale::China)}) {
        SCOPED_TRACE(locale.name().toStdString());
        const QString text = DateTimeText(local_days{2024y / July / 1} + 15h + 4min + 5s, locale);
        EXPECT_TRUE(text.startsWith(locale.toString(QDate(2024, 7, 1), QLocale::ShortFormat) + QLatin1Char(' ')));
        EXPECT_TRUE(text.contains(QStringLiteral(":04:05")));
        EXPECT_FALSE(text.contains(QStringLiteral("UTC")) || text.contains(QStringLiteral("GMT")));
        EXPECT_EQ(text, text.trimmed());
    }
}

TEST(ChineseStatus, ReplacesExactlyTheFourStatusTexts)
{
    struct Case {
        const char* status;
        const char* shown;
    };
    const Case cases[] = {
        {"Connected, Running", "连接, 运行"},
        {"Connected, NOT running", "连接, 不运行"},
        {"NOT connected, Running", "不连接, 运行"},
        {"NOT connected, NOT running", "不连接, 不运行"},
        {"connected, running", "connected, running"},
        {"Connected, Running ", "Connected, Running "},
        {"", ""},
    };
    for (const Case& test : cases)
        EXPECT_EQ(ChineseStatus(test.status), QString::fromUtf8(test.shown)) << test.status;
}

}  // namespace
