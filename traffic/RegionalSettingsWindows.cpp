#include <windows.h>

#include <string>
#include <utility>

#include "RegionalSettings.h"

namespace {

// One of the user's locale texts in UTF-8; empty when the locale gives none or it cannot be read.
std::string localeText(LCTYPE item)
{
    wchar_t wide[LOCALE_NAME_MAX_LENGTH] = {};
    // The length counts the terminating zero; 0 means failure.
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, wide, LOCALE_NAME_MAX_LENGTH);
    if (length <= 1)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length - 1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length - 1, text.data(), size, nullptr, nullptr);
    return text;
}

}  // namespace

TFormatSettings ReadRegionalSettings()
{
    TFormatSettings settings;
    if (std::string thousands = localeText(LOCALE_STHOUSAND); !thousands.empty())
        settings.ThousandSeparator = std::move(thousands);
    if (std::string decimal = localeText(LOCALE_SDECIMAL); !decimal.empty())
        settings.DecimalSeparator = std::move(decimal);
    return settings;
}
