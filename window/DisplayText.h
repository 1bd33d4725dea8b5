#pragma once
// Texts of the detail view that do not come from the traffic record's own formatting.

#include <string>

#include <QLocale>
#include <QString>

#include "LocalClock.h"

// The date in the locale's short date format, then, unless the time of day is exactly 00:00:00
// (milliseconds ignored), a space and the time in its long time format less the time zone. The
// moment is taken as the local calendar date and time it already is: no time-zone conversion.
QString DateTimeText(TDateTime moment, const QLocale& locale = QLocale::system());

// The Chinese form of a record's status text; a text without one is returned unchanged.
QString ChineseStatus(const std::string& status);

// Text from the system (interface descriptions, addresses) as the window shows it.
QString SystemText(const std::string& text);
