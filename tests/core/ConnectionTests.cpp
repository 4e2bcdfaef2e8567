#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "TestSupport.h"
#include "core/Connection.h"
#include "core/IniDocument.h"

namespace kelo {
namespace {

const test::IconvTextCodec kCodec;

// The system as a list of connections; a phone-book entry that is up is dialled.
class FakeTable : public ConnectionTable {
public:
    bool any = false;
    bool failing = false;
    std::vector<NetConnection> all;

    bool AnyConnected() override { return Answer(any); }
    std::vector<NetConnection> List() override { return Answer(all); }
    std::vector<NetConnection> DialUpLinks() override {
        return Where([](const NetConnection& c) {
            return c.source == ConnectionSource::PhoneBook ? c.up : c.type == LinkType::Ppp;
        });
    }
    std::optional<NetConnection> Adapter(const std::string& id) override {
        return First(Where([&](const NetConnection& c) {
            return c.source == ConnectionSource::Adapter && c.id == id;
        }));
    }
    std::optional<NetConnection> PhoneBookConnection(const std::string& name) override {
        return First(Where([&](const NetConnection& c) {
            return c.up && c.source == ConnectionSource::PhoneBook && c.name == name;
        }));
    }

private:
    template <class T>
    T Answer(T value) const {
        if (failing) throw KeloError("无法查询网络连接（错误 5）");
        return value;
    }
    template <class Match>
    std::vector<NetConnection> Where(Match match) const {
        std::vector<NetConnection> found;
        std::copy_if(all.begin(), all.end(), std::back_inserter(found), match);
        return Answer(std::move(found));
    }
    static std::optional<NetConnection> First(const std::vector<NetConnection>& found) {
        return found.empty() ? std::nullopt : std::optional<NetConnection>(found[0]);
    }
};

NetConnection Entry(const char* name, LinkType type, bool dialled, const char* ip = "10.64.3.9") {
    return {ConnectionSource::PhoneBook, name, "", type, dialled, {ip}};
}
NetConnection Adapter(const char* name, const char* id, LinkType type, bool up, std::vector<std::string> ips) {
    return {ConnectionSource::Adapter, name, id, type, up, std::move(ips)};
}

TEST(ConnectionChoice, AnAbsentOrBadKindCountsAnyConnectionAndAChoiceReadsBack) {
    EXPECT_EQ(ReadConnectionChoice(IniDocument(kCodec)), ConnectionChoice{});
    for (const char* bad : {"x", "3", "-1", ""}) {
        const IniDocument doc(kCodec, std::string("[Connection]\r\nKind=") + bad + "\r\nName=a\r\n");
        EXPECT_EQ(ReadConnectionChoice(doc).kind, ConnectionKind::Any) << bad;
    }
    // A named connection that names nothing.
    EXPECT_EQ(ReadConnectionChoice(IniDocument(kCodec, "[Connection]\r\nKind=2\r\n")).kind, ConnectionKind::Any);

    IniDocument doc(kCodec);
    const ConnectionChoice named{ConnectionKind::Named, "宽带连接", "{4D36E972-E325-11CE-BFC1-08002BE10318}"};
    WriteConnectionChoice(doc, named);
    EXPECT_NE(doc.Bytes().find(kCodec.FromUtf8("Name=宽带连接")), std::string::npos);
    EXPECT_EQ(ReadConnectionChoice(IniDocument(kCodec, doc.Bytes())), named);
}

// Dial-up, ISDN, PPPoE and mobile broadband count; a LAN, Wi-Fi or VPN never does.
TEST(ConnectionMonitor, DialUpCountsOnlyAConnectedPppLink) {
    FakeTable table;
    table.any = true;
    table.all = {Adapter("WLAN", "{W}", LinkType::Lan, true, {"192.168.1.5"}), Entry("公司VPN", LinkType::Vpn, true),
                 Entry("宽带连接", LinkType::Ppp, false),
                 Adapter("手机网络", "{M}", LinkType::Ppp, true, {"169.254.7.1"})};
    const ConnectionChoice dialUp{ConnectionKind::DialUp, "", ""};
    ConnectionMonitor monitor(table, dialUp);
    EXPECT_EQ(CountedConnectionText(dialUp, monitor.Check()), "计费连接：拨号和宽带连接（未连接）");

    table.all[3].ipv4.push_back("100.72.0.9");
    EXPECT_EQ(monitor.Check(), (ConnectionState{true, "手机网络", "100.72.0.9"}));
    table.all[3].up = false;
    table.all[2].up = true;
    EXPECT_EQ(monitor.Check(), (ConnectionState{true, "宽带连接", "10.64.3.9"}));
    EXPECT_EQ(CountedConnectionText(dialUp, monitor.Check()), "计费连接：宽带连接（已连接）");
    EXPECT_EQ(monitor.RunAddress(), "100.72.0.9");  // the first one seen in the run
}

TEST(ConnectionMonitor, ANamedAdapterIsFoundByItsIdAndAPhoneBookEntryByItsName) {
    FakeTable table;
    table.any = true;
    table.all = {Adapter("改过名的网卡", "{M}", LinkType::Lan, true, {"169.254.7.1"}),
                 Entry("宽带连接", LinkType::Ppp, false)};
    ConnectionMonitor adapter(table, {ConnectionKind::Named, "手机网络", "{M}"});
    EXPECT_FALSE(adapter.Check().online);  // up, but with a link-local address only
    table.all[0].ipv4 = {"100.72.0.9"};
    EXPECT_EQ(adapter.Check().name, "改过名的网卡");
    EXPECT_TRUE(adapter.Check().online);

    ConnectionMonitor entry(table, {ConnectionKind::Named, "宽带连接", ""});
    EXPECT_FALSE(entry.Check().online);
    table.all[1].up = true;
    EXPECT_TRUE(entry.Check().online);

    table.all.clear();  // gone: offline, still under its name
    EXPECT_EQ(adapter.Check(), (ConnectionState{false, "手机网络", ""}));
}

// Any connection is what the system says; a query that fails is offline, told once a run.
TEST(ConnectionMonitor, AnyConnectionIsWhatTheSystemSaysAndAFailureIsToldOnce) {
    FakeTable table;
    ConnectionMonitor monitor(table, {});
    EXPECT_FALSE(monitor.Check().online);
    table.any = true;
    EXPECT_TRUE(monitor.Check().online);
    table.failing = true;
    EXPECT_FALSE(monitor.Check().online);
    EXPECT_NE(monitor.TakeFailureToTell().value_or("").find("错误 5"), std::string::npos);
    monitor.Check();
    EXPECT_FALSE(monitor.TakeFailureToTell());
}

TEST(ConnectionList, ShowsEachStateAndTheChosenOneThatNoLongerExists) {
    const std::vector<NetConnection> all = {Entry("宽带连接", LinkType::Ppp, false),
                                            Adapter("以太网", "{E}", LinkType::Lan, true, {"192.168.1.5"})};
    const ConnectionList present = ConnectionListFor(all, {ConnectionKind::Named, "本地连接", "{e}"});
    EXPECT_EQ(present.labels, (std::vector<std::string>{"宽带连接（未连接）", "以太网（已连接）"}));
    EXPECT_EQ(present.chosen, 1u);

    const ConnectionList missing = ConnectionListFor(all, {ConnectionKind::Named, "手机网络", "{M}"});
    ASSERT_EQ(missing.labels.size(), 3u);
    EXPECT_EQ(missing.labels[2], "手机网络（不存在）");
    EXPECT_EQ(missing.chosen, 2u);
    EXPECT_EQ(ConnectionListFor(all, {}).labels.size(), 2u);
}

}  // namespace
}  // namespace kelo
