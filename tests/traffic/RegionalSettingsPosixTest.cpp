#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "RegionalSettings.h"

namespace {

TEST(RegionalSettings, CLocaleFallsBackToEnglishThousandsSeparator)
{
    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    setenv("LC_ALL", "C", 1);
    const TFormatSettings settings = ReadRegionalSettings();
    if (saved)
        setenv("LC_ALL", savedValue.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_EQ(settings.ThousandSeparator, ",");
    EXPECT_EQ(settings.DecimalSeparator, ".");
}

}  // namespace
