#include "TrafficUnit.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "IPHelper.h"

namespace {

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// The description bytes without the terminating zero counted in dwDescrLen, never more than
// the row's array holds, with blanks and control characters cut from both ends.
std::string descriptionOf(const MIB_IFROW& row)
{
    if (row.dwDescrLen <= 1)
        return {};
    const std::size_t length = std::min<std::size_t>(row.dwDescrLen - 1, MAXLEN_IFDESCR);
    const char* bytes = reinterpret_cast<const char*>(row.bDescr);
    std::string text(bytes, bytes + length);
    const auto first = std::find_if_not(text.begin(), text.end(), isBlankOrControl);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlankOrControl).base();
    return first < last ? std::string(first, last) : std::string{};
}

// One direction of a sample. Unsigned arithmetic wraps modulo 2^32 by definition.
void sampleHalf(DWORD reading, DWORD& last, DWORD& perSec, DWORD& total, DWORD& samples,
                DWORD& peak, DWORD& average)
{
    perSec = reading - last;
    total += perSec;
    if (perSec != 0)
        ++samples;
    if (perSec > peak)
        peak = perSec;
    // The only way the division could fail is a zero divisor.
    average = samples != 0 ? total / samples : 0;
    last = reading;
}

struct Unit {
    std::uint64_t divisor;
    const char* name;
};

std::string groupThousands(std::uint64_t whole, const std::string& separator)
{
    std::string digits = std::to_string(whole);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3 * separator.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return text;
}

// The quotient value / divisor rounded half up to hundredths, exactly, in integers.
std::string formatQuantity(DWORD value, const Unit& unit, const TFormatSettings& settings)
{
    const std::uint64_t hundredths = (200 * std::uint64_t{value} + unit.divisor) / (2 * unit.divisor);
    char decimals[3];
    std::snprintf(decimals, sizeof decimals, "%02u", static_cast<unsigned>(hundredths % 100));
    return groupThousands(hundredths / 100, settings.ThousandSeparator) +
           settings.DecimalSeparator + decimals + ' ' + unit.name;
}

// The first unit whose bound the value lies below; the largest one otherwise.
template <std::size_t N>
const Unit& unitFor(DWORD value, const Unit (&units)[N], std::uint64_t step)
{
    std::uint64_t bound = step;
    for (std::size_t i = 0; i + 1 < N; ++i, bound *= step)
        if (value < bound)
            return units[i];
    return units[N - 1];
}

constexpr Unit byteUnits[] = {
    {1, "B"}, {1024, "KB"}, {1024 * 1024, "MB"}, {1024 * 1024 * 1024, "GB"}};
constexpr Unit rateUnits[] = {
    {1, "bps"}, {1000, "Kbps"}, {1000 * 1000, "Mbps"}, {1000 * 1000 * 1000, "Gbps"}};

}  // namespace

TTraffic::TTraffic(const MIB_IFROW& row, const TTrafficEvent& OnCreated)
{
    Running = true;
    Connected = true;
    InterfaceIndex = row.dwIndex;
    IPAddress = LookupIPAddress(row.dwIndex);
    MACAddress = MacAddrToStr(row.bPhysAddr, row.dwPhysAddrLen);
    Description = descriptionOf(row);
    LastInOctets = row.dwInOctets;
    LastOutOctets = row.dwOutOctets;
    StartedAt = Now();
    Speed = row.dwSpeed;
    if (OnCreated)
        OnCreated(this);
}

void TTraffic::NewValues(DWORD inOctets, DWORD outOctets, DWORD speed)
{
    ++SecondsActive;
    if (!Running)
        return;
    Speed = speed;
    sampleHalf(inOctets, LastInOctets, InPerSec, TotalIn, InSamples, PeakInSec, AvgInSec);
    sampleHalf(outOctets, LastOutOctets, OutPerSec, TotalOut, OutSamples, PeakOutSec, AvgOutSec);
}

void TTraffic::ClearCounters()
{
    StartedAt = Now();
    SecondsActive = 0;
    InSamples = 0;
    OutSamples = 0;
    TotalIn = 0;
    TotalOut = 0;
    InPerSec = 0;
    OutPerSec = 0;
    PeakInSec = 0;
    PeakOutSec = 0;
}

void TTraffic::Freeze()
{
    Running = false;
    if (OnFreeze)
        OnFreeze(this);
}

void TTraffic::UnFreeze()
{
    Running = true;
    if (OnUnFreeze)
        OnUnFreeze(this);
}

void TTraffic::SetDisconnected()
{
    Connected = false;
    Running = false;
}

std::string TTraffic::GetStatus() const
{
    std::string status = Connected ? "Connected" : "NOT connected";
    status += Running ? ", Running" : ", NOT running";
    return status;
}

std::string TTraffic::GetActiveTime() const
{
    // unsigned, not DWORD: "%u" must fit wherever DWORD is unsigned long.
    const unsigned total = SecondsActive;
    const unsigned hours = total / 3600;
    const unsigned minutes = (total - 3600 * hours) / 60;
    const unsigned seconds = total - 3600 * hours - 60 * minutes;
    char text[32];
    std::snprintf(text, sizeof text, "%.2u:%.2u:%.2u", hours, minutes, seconds);
    return text;
}

std::string TTraffic::LookupIPAddress(DWORD index)
{
    TMibIPAddrArray table;
    GetIPAddrTableArray(table);
    const auto row = std::find_if(table.begin(), table.end(),
                                  [index](const MIB_IPADDRROW& r) { return r.dwIndex == index; });
    return row != table.end() ? IPAddrToStr(row->dwAddr) : NotFoundAddress;
}

std::string FormatBytes(DWORD amount, const TFormatSettings& settings)
{
    return formatQuantity(amount, unitFor(amount, byteUnits, 1024), settings);
}

std::string FormatBitRate(DWORD rate, const TFormatSettings& settings)
{
    return formatQuantity(rate, unitFor(rate, rateUnits, 1000), settings);
}
