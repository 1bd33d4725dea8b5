#include "DisplayText.h"

#include <chrono>

#include <QDate>
#include <QTime>

namespace {

// The locale's long time format without its time-zone field: regional time formats name no zone,
// and the moment shown is local time already.
QString longTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.simplified();
}

}  // namespace

QString DateTimeText(TDateTime moment, const QLocale& locale)
{
    using namespace std::chrono;
    const local_days day = floor<days>(moment);
    const year_month_day ymd{day};
    const hh_mm_ss<milliseconds> clock{moment - day};
    const QDate date(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day())));
    QString text = locale.toString(date, QLocale::ShortFormat);
    const int hours = static_cast<int>(clock.hours().count());
    const int minutes = static_cast<int>(clock.minutes().count());
    const int seconds = static_cast<int>(clock.seconds().count());
    if (hours != 0 || minutes != 0 || seconds != 0) {
        const QTime time(hours, minutes, seconds, static_cast<int>(clock.subseconds().count()));
        text += QLatin1Char(' ') + locale.toString(time, longTimeFormat(locale));
    }
    return text;
}

QString ChineseStatus(const std::string& status)
{
    struct Row {
        const char* english;
        const char* chinese;
    };
    static constexpr Row rows[] = {
        {"Connected, Running", "连接, 运行"},
        {"Connected, NOT running", "连接, 不运行"},
        {"NOT connected, Running", "不连接, 运行"},
        {"NOT connected, NOT running", "不连接, 不运行"},
    };
    for (const Row& row : rows)
        if (status == row.english)
            return QString::fromUtf8(row.chinese);
    return SystemText(status);
}

QString SystemText(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
