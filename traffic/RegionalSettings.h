#pragma once
// The number separators of the user's regional settings.

#include <string>

struct TFormatSettings {
    std::string ThousandSeparator = ",";
    std::string DecimalSeparator = ".";
};

// The separators of the user's locale, each falling back to the English one where the locale
// gives none (the C locale has no thousands separator).
TFormatSettings ReadRegionalSettings();

// The settings the quantity texts use: read from the user's locale on first use, replaceable
// (tests set them explicitly).
TFormatSettings& FormatSettings();
