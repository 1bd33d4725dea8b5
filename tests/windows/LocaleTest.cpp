// The local clock and the regional separators as Windows gives them. Wine takes the time zone
// and the user's locale from the environment (TZ, LC_ALL), so the ctest driver runs these tests
// once per setting and names what to expect.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "LocalClock.h"
#include "RegionalSettings.h"
#include "TrafficUnit.h"

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

TEST(LocalClock, FollowsTheTimeZoneToTheMillisecond)
{
    const std::string expected = environment("BRISVALE_EXPECT_UTC_OFFSET_MINUTES");
    if (expected.empty())
        GTEST_SKIP() << "BRISVALE_EXPECT_UTC_OFFSET_MINUTES is not set";
    using namespace std::chrono;
    const minutes offset{std::stoi(expected)};

    const auto utc = system_clock::now().time_since_epoch();
    const TDateTime local = SystemLocalNow();
    const auto drift = duration_cast<milliseconds>(local.time_since_epoch() - utc - offset);
    EXPECT_LT(abs(drift), seconds{2}) << "local time is off by " << drift.count() << " ms";

    // A clock cut to whole seconds would show 0 ms every time.
    bool sawMilliseconds = false;
    for (int i = 0; i < 20 && !sawMilliseconds; ++i) {
        sawMilliseconds = SystemLocalNow().time_since_epoch() % seconds{1} != milliseconds{0};
        std::this_thread::sleep_for(milliseconds{7});
    }
    EXPECT_TRUE(sawMilliseconds);
}

struct LocaleCase {
    const char* name;  // the locale name Windows gives the user's locale
    const char* thousands;  // UTF-8
    const char* decimal;
    const char* thousandBytes;  // FormatBytes(1000)
};

constexpr LocaleCase localeCases[] = {
    {"en-US", ",", ".", "1,000.00 B"},
    {"de-DE", ".", ",", "1.000,00 B"},
    {"fr-FR", "\xC2\xA0", ",", "1\xC2\xA0"
                               "000,00 B"},  // no-break space
    {"de-CH", "\xE2\x80\x99", ".", "1\xE2\x80\x99"
                                   "000.00 B"},  // right single quotation mark
};

TEST(RegionalSettings, SeparatorsFollowTheUserLocale)
{
    const std::string expected = environment("BRISVALE_EXPECT_LOCALE");
    if (expected.empty())
        GTEST_SKIP() << "BRISVALE_EXPECT_LOCALE is not set";

    wchar_t wide[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetUserDefaultLocaleName(wide, LOCALE_NAME_MAX_LENGTH), 0);
    const std::string name(wide, wide + wcslen(wide));
    ASSERT_EQ(name, expected) << "Wine did not take the locale from the environment";

    for (const LocaleCase& locale : localeCases) {
        if (name != locale.name)
            continue;
        const TFormatSettings settings = ReadRegionalSettings();
        EXPECT_EQ(settings.ThousandSeparator, locale.thousands);
        EXPECT_EQ(settings.DecimalSeparator, locale.decimal);
        EXPECT_EQ(FormatBytes(1000, FormatSettings()), locale.thousandBytes);
        return;
    }
    FAIL() << "no expectations for the locale " << name;
}

}  // namespace
