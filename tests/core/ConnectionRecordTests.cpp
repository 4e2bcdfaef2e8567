#include <gtest/gtest.h>

#include <memory>

#include "TestSupport.h"
#include "core/ConnectionRecord.h"
#include "core/CountedConnection.h"

namespace kelo {
namespace {

const std::string kDtl = "C:\\Kelo\\Kelo.dtl";

class ConnectionRecordTest : public ::testing::Test {
protected:
    test::FakeFileStore files;
    test::IconvTextCodec codec;
    test::FakeClock clock{{2024, 3, 10, 12, 0, 0}};
    const ConnectionState pppoe{true, "宽带连接", "10.64.3.9"};

    std::unique_ptr<ConnectionRecord> Start(int32_t unit = 1) {
        return std::make_unique<ConnectionRecord>(files, codec, clock, kDtl, unit);
    }
    void Connected(ConnectionRecord& r, int64_t ms, const ConnectionState& state) {
        r.Observe(state);
        clock.Advance(ms);
    }
    std::vector<ConnectionSpan> Lines() { return ParseConnectionRecord(files.files.at(kDtl), codec); }
    std::string Line(const ConnectionSpan& span) { return JoinConnectionLine(span, codec) + "\r\n"; }
};

TEST_F(ConnectionRecordTest, EachOnlineSpanIsALineWithItsBilledSeconds) {
    auto r = Start(60);
    Connected(*r, 10'500, pppoe);
    Connected(*r, 30'000, {});
    Connected(*r, 600, pppoe);  // no whole second: no connection
    Connected(*r, 1'000, {});
    Connected(*r, 61'000, pppoe);
    Connected(*r, 5'000, {true, "宽带连接", "10.64.3.77"});  // redialled in between: another connection
    r->SetUnit(3600);  // the tariff changed: the connection in progress is billed at its unit
    EXPECT_EQ(r->BilledSecondsIn({{2024, 2, 21}, {2024, 3, 21}}), 60 + 120 + 3600);
    r->End();
    EXPECT_FALSE(r->Save());
    const std::string& bytes = files.files.at(kDtl);
    EXPECT_EQ(bytes.substr(0, bytes.find('\n') + 1),
              "2024-03-10 12:00:00\x07" "2024-03-10 12:00:10\x07" "10\x07" "60\x07" + codec.FromUtf8("宽带连接") +
                  "\x07" "10.64.3.9\r\n");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].onlineSeconds, 5);
    EXPECT_EQ(lines[2].billedSeconds, 3600);
    EXPECT_EQ(lines[1], (ConnectionSpan{{2024, 3, 10, 12, 0, 42}, {2024, 3, 10, 12, 1, 43}, 61, 120, "宽带连接",
                                        "10.64.3.9"}));
    // Whatever the system calls a connection, its name stays one field of one line.
    const ConnectionSpan odd{{2024, 3, 10}, {2024, 3, 10}, 1, 1, "宽带\r\n连接\x07", "1.2.3.4"};
    EXPECT_EQ(ParseConnectionLine(JoinConnectionLine(odd, codec), codec)->name, "宽带  连接 ");
}

// A checkpoint writes the connection in progress over its own earlier line; the stored
// lines are never written again, and a file another program changed keeps its change
// without the run's line doubled.
TEST_F(ConnectionRecordTest, ACheckpointWritesOnlyTheLineInProgress) {
    const std::string old = Line({{2024, 3, 1, 8, 0, 0}, {2024, 3, 1, 9, 0, 0}, 3600, 3600, "拨号", "10.0.0.1"});
    for (int i = 0; i < 500; ++i) files.files[kDtl] += old;
    auto r = Start();
    Connected(*r, 14'000, pppoe);
    EXPECT_FALSE(r->Save());
    const size_t written = files.bytesWritten;
    Connected(*r, 14'000, pppoe);
    EXPECT_FALSE(r->Save());
    ASSERT_EQ(Lines().size(), 501u);
    EXPECT_EQ(Lines().back().onlineSeconds, 28);
    EXPECT_EQ(files.bytesWritten - written, Line(Lines().back()).size());

    files.files[kDtl].insert(0, old);
    clock.Advance(2'000);
    r->End();
    EXPECT_FALSE(r->Save());
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 502u);
    EXPECT_EQ(lines[500].name, "拨号");
    EXPECT_EQ(lines[501].onlineSeconds, 30);
}

// A restart of the program is no new connection for the provider, and the period's billed
// time counts the continued line once.
TEST_F(ConnectionRecordTest, ARestartOnTheSameConnectionWithinTwoMinutesContinuesItsLine) {
    struct Case {
        int endedSecondsAgo;
        const char* ip;
        size_t lines;
    };
    const std::string earlier = Line({{2024, 2, 20, 8, 0, 0}, {2024, 2, 20, 9, 0, 0}, 3600, 3600, "拨号", ""}) +
                                Line({{2024, 3, 1, 8, 0, 0}, {2024, 3, 1, 9, 0, 0}, 3600, 3600, "拨号", ""});
    for (const Case c : {Case{120, "10.64.3.9", 3}, Case{121, "10.64.3.9", 4}, Case{60, "10.64.3.10", 4}}) {
        clock.SetLocal({2024, 3, 10, 12, 0, 0});
        clock.ShiftWall(c.endedSecondsAgo);
        files.files[kDtl] =
            earlier + Line({{2024, 3, 10, 11, 0, 0}, {2024, 3, 10, 12, 0, 0}, 3500, 3600, "宽带连接", c.ip});
        auto r = Start(3600);
        Connected(*r, 100'000, pppoe);
        EXPECT_FALSE(r->Save());
        const auto lines = Lines();
        ASSERT_EQ(lines.size(), c.lines) << c.endedSecondsAgo << c.ip;
        EXPECT_EQ(r->BilledSecondsIn({{2024, 2, 21}, {2024, 3, 21}}), 3600 * (c.lines - 1));
        EXPECT_EQ(r->BilledSecondsIn({{2024, 1, 21}, {2024, 2, 21}}), 3600);
        if (c.lines == 3) {
            EXPECT_EQ(lines[2].start, (LocalDateTime{2024, 3, 10, 11, 0, 0}));
            EXPECT_EQ(lines[2].onlineSeconds, 3600);
            EXPECT_EQ(lines[2].billedSeconds, 3600);
        }
    }
}

// Nothing of the run is lost: it waits in memory, and a file that could not be read is
// never replaced.
TEST_F(ConnectionRecordTest, AFileThatCannotBeWrittenOrReadWaitsAndIsToldOnce) {
    const std::string other = "someone else's line\r\n";
    files.files[kDtl] = other;
    files.unreadablePaths.insert(kDtl);
    auto r = Start();
    Connected(*r, 20'000, pppoe);
    EXPECT_TRUE(r->Save());
    files.unreadablePaths.clear();
    files.failingPaths.insert(kDtl);
    Connected(*r, 20'000, pppoe);
    EXPECT_FALSE(r->Save());
    EXPECT_EQ(files.files.at(kDtl), other);
    files.failingPaths.clear();
    r->End();
    EXPECT_FALSE(r->Save());
    EXPECT_EQ(files.files.at(kDtl).substr(0, other.size()), other);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].onlineSeconds, 40);
}

// One adapter that the test plugs in and out.
class OneAdapter : public ConnectionTable {
public:
    NetConnection adapter{ConnectionSource::Adapter, "移动宽带", "{M}", LinkType::Lan, false, {"198.51.100.7"}};
    bool AnyConnected() override { return true; }
    std::vector<NetConnection> List() override { return {adapter}; }
    std::vector<NetConnection> DialUpLinks() override { return {}; }
    std::optional<NetConnection> Adapter(const std::string& id) override {
        return id == adapter.id ? std::optional(adapter) : std::nullopt;
    }
    std::optional<NetConnection> PhoneBookConnection(const std::string&) override { return std::nullopt; }
};

// The chosen adapter alone counts; its line is saved every 13 s, cut where a billing
// period begins as the history's line is, and ended at exit.
TEST_F(ConnectionRecordTest, TheCountedConnectionIsRecordedAndCutAtAPeriodsStart) {
    OneAdapter table;
    clock.SetLocal({2024, 3, 20, 23, 59, 50});
    CountedConnection counted(table, {ConnectionKind::Named, "移动宽带", "{M}"}, files, codec, clock, kDtl, 60);
    const auto check = [&] {
        const bool online = counted.Check();
        counted.FollowPeriod(BillingPeriodOf(clock.LocalNow().Date(), 21));
        EXPECT_FALSE(counted.CheckpointIfDue());
        clock.Advance(2'000);
        return online;
    };
    EXPECT_FALSE(check());
    EXPECT_EQ(counted.StatusText(), "计费连接：移动宽带（未连接）");
    table.adapter.up = true;
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(check());
    EXPECT_EQ(counted.StatusText(), "计费连接：移动宽带（已连接）");
    EXPECT_EQ(counted.RunAddress(), "198.51.100.7");
    ASSERT_EQ(Lines().size(), 2u);  // a checkpoint was due after 13 s
    EXPECT_FALSE(counted.SaveAtExit());
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (ConnectionSpan{{2024, 3, 20, 23, 59, 52}, {2024, 3, 20, 23, 59, 59}, 8, 60, "移动宽带",
                                        "198.51.100.7"}));
    EXPECT_EQ(lines[1].start, (LocalDateTime{2024, 3, 21, 0, 0, 0}));
    EXPECT_EQ(lines[1].onlineSeconds, 6);
}

TEST(ConnectionRecord, APeriodSumsTheConnectionsThatBeganInIt) {
    const BillingPeriod period{{2024, 2, 21}, {2024, 3, 21}};
    const auto at = [](int month, int day, int hour) {
        return ConnectionSpan{{2024, month, day, hour, 0, 0}, {2024, 3, 21, 1, 0, 0}, 1, 60, "", ""};
    };
    EXPECT_EQ(PeriodBilledSeconds({at(2, 20, 23), at(2, 21, 0), at(3, 20, 23), at(3, 21, 0)}, period), 120);
}

}  // namespace
}  // namespace kelo
