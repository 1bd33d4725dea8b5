// The window's poll cycle on the real kernel, inside a network namespace of its own, while
// interfaces are made and deleted between the cycles: vanished ones are marked disconnected, new
// ones are appended last, and a name that comes back is a new interface to the kernel (a new
// index), so a new record.

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QTest>

#include "ErrorReport.h"
#include "IPHelper.h"
#include "MainFormUnit.h"
#include "NetNamespace.h"
#include "TabSet.h"
#include "Timer.h"
#include "TrafficUnit.h"

namespace {

using brisvale::testing::NetNamespace;

// Moves the calling thread, the window's thread, into a namespace and back again when it goes.
class ThreadInNamespace {
public:
    explicit ThreadInNamespace(const std::string& name)
    {
        home_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        entered_ = home_ >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
        if (target >= 0)
            close(target);
    }
    ~ThreadInNamespace()
    {
        if (entered_ && setns(home_, CLONE_NEWNET) != 0)
            std::abort();  // the rest of the test program must not run in a namespace that is gone
        if (home_ >= 0)
            close(home_);
    }
    ThreadInNamespace(const ThreadInNamespace&) = delete;
    ThreadInNamespace& operator=(const ThreadInNamespace&) = delete;

    bool entered() const { return entered_; }

private:
    int home_ = -1;
    bool entered_ = false;
};

struct KernelLink {
    std::string name;
    std::string address;  // the IPv4 text a record shows, or empty
};

class KernelChurn : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string obstacle = brisvale::testing::namespaceObstacle(); !obstacle.empty())
            GTEST_SKIP() << obstacle;
        ns = std::make_unique<NetNamespace>("churn");
        ASSERT_TRUE(ns->created());
        ASSERT_TRUE(ns->ip("link set lo up"));
        inside = std::make_unique<ThreadInNamespace>(ns->name());
        ASSERT_TRUE(inside->entered());
        previousReporter = SetErrorReporter([this](const QString& message) { reports << message; });
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override
    {
        form.reset();
        if (inside) {
            SetErrorReporter(previousReporter);
            EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
        }
        inside.reset();
        ns.reset();
    }

    // The kernel's interfaces in the namespace, by index.
    std::map<DWORD, KernelLink> kernelLinks() const
    {
        std::map<DWORD, KernelLink> links;
        for (const auto& link : nlohmann::json::parse(ns->ipJson("link show")))
            links[link.at("ifindex").get<DWORD>()].name = link.at("ifname").get<std::string>();
        for (const auto& entry : nlohmann::json::parse(ns->ipJson("-4 addr show"))) {
            const auto& addresses = entry.at("addr_info");
            if (addresses.empty())
                continue;
            in_addr_t address = 0;
            inet_pton(AF_INET, addresses.front().at("local").get<std::string>().c_str(), &address);
            links[entry.at("ifindex").get<DWORD>()].address = IPAddrToStr(address);
        }
        return links;
    }

    std::vector<TTraffic*> records() const
    {
        std::vector<TTraffic*> list;
        for (int i = 0; i < form->TrafficTabs->Count(); ++i)
            list.push_back(form->TrafficTabs->Object<TTraffic>(i));
        return list;
    }

    void cycle()
    {
        form->TimerTimer(form->Timer);
        form->Timer->SetEnabled(false);  // ticks come from the test alone
    }

    std::unique_ptr<NetNamespace> ns;
    std::unique_ptr<ThreadInNamespace> inside;
    std::unique_ptr<TMainForm> form;
    QStringList reports;

private:
    ErrorReporter previousReporter;
};

TEST_F(KernelChurn, VanishedInterfacesDisconnectAndNewOnesAppendLast)
{
    std::mt19937 rng(7);
    std::set<int> pairs;  // veth pairs "c<n>a"/"c<n>b" that exist now
    std::set<DWORD> everSeen;  // every index the kernel has shown
    int addressSerial = 0;
    cycle();

    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Make or delete a few pairs; the names come back again and again.
        for (int change = static_cast<int>(rng() % 3); change >= 0; --change) {
            const int pair = static_cast<int>(rng() % 6);
            // Appended rather than "c" + ...: GCC 12 at -O3 warns falsely on the latter (-Wrestrict).
            const std::string name = std::string("c").append(std::to_string(pair));
            if (pairs.count(pair) != 0) {
                ASSERT_TRUE(ns->ip("link del " + name + "a"));  // takes its peer along
                pairs.erase(pair);
            } else {
                ASSERT_TRUE(ns->ip("link add " + name + "a type veth peer name " + name + "b"));
                ++addressSerial;
                ASSERT_TRUE(ns->ip("addr add 10.77." + std::to_string(addressSerial % 250) + ".1/24 dev " + name + "a"));
                ASSERT_TRUE(ns->ip("link set " + name + "a up"));
                pairs.insert(pair);
            }
        }
        const std::vector<TTraffic*> before = records();
        std::map<const TTraffic*, bool> wasConnected;
        for (const TTraffic* record : before)
            wasConnected[record] = record->Connected;

        const std::map<DWORD, KernelLink> kernel = kernelLinks();
        cycle();
        ASSERT_EQ(kernelLinks().size(), kernel.size()) << "the kernel's table moved during the cycle";

        const std::vector<TTraffic*> after = records();
        ASSERT_GE(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            ASSERT_EQ(after[i], before[i]) << "an existing tab moved";

        // Old records: connected exactly while their index is in the kernel's table.
        for (const TTraffic* record : before) {
            const bool present = kernel.count(record->InterfaceIndex) != 0;
            EXPECT_EQ(record->Connected, present && wasConnected[record]) << "index " << record->InterfaceIndex;
        }
        // New records: one for each index the list had no record of, appended after the old ones.
        std::set<DWORD> listed;
        for (const TTraffic* record : before)
            listed.insert(record->InterfaceIndex);
        std::set<DWORD> expectedNew;
        for (const auto& [index, link] : kernel)
            if (listed.count(index) == 0)
                expectedNew.insert(index);
        std::set<DWORD> madeNew;
        for (std::size_t i = before.size(); i < after.size(); ++i) {
            const TTraffic* record = after[i];
            madeNew.insert(record->InterfaceIndex);
            EXPECT_TRUE(record->Connected);
            const KernelLink& link = kernel.at(record->InterfaceIndex);
            // The row is the kernel's interface of that index: its name leads the description.
            EXPECT_EQ(record->Description.rfind(link.name, 0), 0u) << record->Description << " for " << link.name;
            EXPECT_EQ(form->TrafficTabs->Caption(static_cast<int>(i)).toStdString(),
                      link.address.empty() ? std::string(NotFoundAddress) : link.address);
            // A name that came back is a new interface to the kernel.
            EXPECT_TRUE(everSeen.insert(record->InterfaceIndex).second) << "index " << record->InterfaceIndex << " reused";
        }
        EXPECT_EQ(madeNew, expectedNew);

        // One record per index, and the selection on a record of the list.
        std::set<DWORD> indexes;
        for (const TTraffic* record : after) {
            EXPECT_TRUE(indexes.insert(record->InterfaceIndex).second);
            EXPECT_LE(record->InSamples, record->SecondsActive);
        }
        ASSERT_FALSE(after.empty());  // lo never goes
        EXPECT_EQ(form->CurrentTraffic, after.at(static_cast<std::size_t>(form->TrafficTabs->TabIndex())));
        if (HasFailure())
            return;
    }
    // Names were made again and again; each time with a new index and so a new record.
    EXPECT_GT(everSeen.size(), 12u);
}

}  // namespace
