#include <langinfo.h>
#include <locale.h>

#include "RegionalSettings.h"

namespace {

// newlocale reads the user's settings from the environment without touching the process's
// global locale.
class NumericLocale {
public:
    NumericLocale() : locale_(newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr))) {}
    ~NumericLocale()
    {
        if (locale_ != static_cast<locale_t>(nullptr))
            freelocale(locale_);
    }
    NumericLocale(const NumericLocale&) = delete;
    NumericLocale& operator=(const NumericLocale&) = delete;

    std::string item(nl_item which) const
    {
        if (locale_ == static_cast<locale_t>(nullptr))
            return {};
        const char* text = nl_langinfo_l(which, locale_);
        return text != nullptr ? text : "";
    }

private:
    locale_t locale_;
};

}  // namespace

TFormatSettings ReadRegionalSettings()
{
    TFormatSettings settings;
    const NumericLocale locale;
    if (std::string thousands = locale.item(THOUSEP); !thousands.empty())
        settings.ThousandSeparator = std::move(thousands);
    if (std::string decimal = locale.item(RADIXCHAR); !decimal.empty())
        settings.DecimalSeparator = std::move(decimal);
    return settings;
}
