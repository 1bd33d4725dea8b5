#include "RegionalSettings.h"

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = ReadRegionalSettings();
    return settings;
}
