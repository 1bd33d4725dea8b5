#include <gtest/gtest.h>

#include "TrafficUnit.h"

namespace {

const TFormatSettings english{",", "."};
const TFormatSettings german{".", ","};

struct QuantityCase {
    std::string (*format)(DWORD, const TFormatSettings&);
    DWORD value;
    const char* text;
};

class QuantityTextTest : public ::testing::TestWithParam<QuantityCase> {};

TEST_P(QuantityTextTest, EnglishSettings)
{
    EXPECT_EQ(GetParam().format(GetParam().value, english), GetParam().text);
}

constexpr DWORD maxValue = 0xFFFFFFFF;

std::string valueName(const ::testing::TestParamInfo<QuantityCase>& info)
{
    return "Of" + std::to_string(info.param.value);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, QuantityTextTest,
    ::testing::Values(QuantityCase{FormatBytes, 0, "0.00 B"},
                      QuantityCase{FormatBytes, 1, "1.00 B"},
                      QuantityCase{FormatBytes, 1000, "1,000.00 B"},
                      QuantityCase{FormatBytes, 1023, "1,023.00 B"},
                      QuantityCase{FormatBytes, 1024, "1.00 KB"},
                      QuantityCase{FormatBytes, 1152, "1.13 KB"},  // 1.125: a half goes up
                      QuantityCase{FormatBytes, 1536, "1.50 KB"},
                      QuantityCase{FormatBytes, 1034, "1.01 KB"},  // 1.00976...
                      QuantityCase{FormatBytes, 1029, "1.00 KB"},  // 1.00488...
                      QuantityCase{FormatBytes, (1u << 20) - 1, "1,024.00 KB"},
                      QuantityCase{FormatBytes, 1u << 20, "1.00 MB"},
                      QuantityCase{FormatBytes, 3u << 19, "1.50 MB"},
                      QuantityCase{FormatBytes, (1u << 30) - 1, "1,024.00 MB"},
                      QuantityCase{FormatBytes, 1u << 30, "1.00 GB"},
                      QuantityCase{FormatBytes, 3u << 29, "1.50 GB"},
                      QuantityCase{FormatBytes, maxValue, "4.00 GB"}),
    valueName);

INSTANTIATE_TEST_SUITE_P(
    BitRates, QuantityTextTest,
    ::testing::Values(QuantityCase{FormatBitRate, 0, "0.00 bps"},
                      QuantityCase{FormatBitRate, 999, "999.00 bps"},
                      QuantityCase{FormatBitRate, 1000, "1.00 Kbps"},
                      QuantityCase{FormatBitRate, 1005, "1.01 Kbps"},  // 1.005: a half goes up
                      QuantityCase{FormatBitRate, 1004, "1.00 Kbps"},
                      QuantityCase{FormatBitRate, 999999, "1,000.00 Kbps"},
                      QuantityCase{FormatBitRate, 1000000, "1.00 Mbps"},
                      QuantityCase{FormatBitRate, 100000000, "100.00 Mbps"},
                      QuantityCase{FormatBitRate, 999999999, "1,000.00 Mbps"},
                      QuantityCase{FormatBitRate, 1000000000, "1.00 Gbps"},
                      QuantityCase{FormatBitRate, 2500000000u, "2.50 Gbps"},
                      QuantityCase{FormatBitRate, maxValue, "4.29 Gbps"}),
    valueName);

TEST(QuantityText, UsesTheRegionalSeparators)
{
    EXPECT_EQ(FormatBytes(1000, german), "1.000,00 B");
    EXPECT_EQ(FormatBytes((1u << 20) - 1, german), "1.024,00 KB");
    EXPECT_EQ(FormatBitRate(1005, german), "1,01 Kbps");

    const TFormatSettings wide{"\xE2\x80\xAF", "\xD9\xAB"};  // multi-byte separators
    EXPECT_EQ(FormatBytes(1023, wide), "1\xE2\x80\xAF" "023\xD9\xAB" "00 B");
}

TEST(QuantityText, DefaultSettingsAreTheOnesInstalled)
{
    const TFormatSettings saved = FormatSettings();
    FormatSettings() = german;
    EXPECT_EQ(FormatBytes(1000), "1.000,00 B");
    FormatSettings() = saved;
}

}  // namespace
