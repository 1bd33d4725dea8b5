#pragma once
// The traffic record of one network interface, and the texts of byte amounts and bit rates.

#include <functional>
#include <string>

#include "IPHLPAPI.h"
#include "LocalClock.h"
#include "RegionalSettings.h"

class TTraffic;

// An event of a record: a handler bound to its object, called with the record; an empty one is
// skipped.
using TTrafficEvent = std::function<void(TTraffic* Sender)>;

// Turns the cumulative octet counters of one interface into per-sample, peak, average and total
// figures. All counters and figures are unsigned 32-bit, their arithmetic modulo 2^32.
class TTraffic {
public:
    // Builds the record from the interface's row and calls OnCreated last, with every field set
    // but Found and the two events.
    TTraffic(const MIB_IFROW& row, const TTrafficEvent& OnCreated);

    TTraffic(const TTraffic&) = delete;
    TTraffic& operator=(const TTraffic&) = delete;

    // One sample of the interface's counters and link speed.
    void NewValues(DWORD inOctets, DWORD outOctets, DWORD speed);
    // Restarts the statistics; the last readings and the averages stay until the next sample.
    void ClearCounters();
    void Freeze();
    void UnFreeze();
    void SetDisconnected();

    // "Connected, Running", "Connected, NOT running", "NOT connected, Running" or
    // "NOT connected, NOT running".
    std::string GetStatus() const;
    // SecondsActive as hh:mm:ss; hours are not limited to two digits.
    std::string GetActiveTime() const;

    // The text of the first IPv4 address bound to the interface index, or "!not_found!".
    static std::string LookupIPAddress(DWORD index);

    std::string IPAddress;
    std::string MACAddress;
    DWORD InPerSec = 0;
    DWORD TotalIn = 0;
    DWORD PeakInSec = 0;
    DWORD InterfaceIndex = 0;
    DWORD InSamples = 0;
    DWORD SecondsActive = 0;
    DWORD LastInOctets = 0;
    std::string Description;
    DWORD TotalOut = 0;
    DWORD PeakOutSec = 0;
    DWORD OutPerSec = 0;
    DWORD LastOutOctets = 0;
    DWORD OutSamples = 0;
    DWORD AvgInSec = 0;
    DWORD AvgOutSec = 0;
    TDateTime StartedAt{};
    bool Running = false;
    TTrafficEvent OnFreeze;
    TTrafficEvent OnUnFreeze;
    bool Connected = false;
    bool Found = false;
    DWORD Speed = 0;
};

inline constexpr const char* NotFoundAddress = "!not_found!";

// "1.13 KB": the amount in B, KB, MB or GB, rounded half up to two decimals.
std::string FormatBytes(DWORD amount, const TFormatSettings& settings = FormatSettings());

// "1.01 Kbps": the rate in bps, Kbps, Mbps or Gbps, rounded half up to two decimals.
std::string FormatBitRate(DWORD rate, const TFormatSettings& settings = FormatSettings());
