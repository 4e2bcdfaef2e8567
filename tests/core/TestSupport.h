#pragma once
// Stand-ins for the meter's surroundings: the GBK codec of the files, an in-memory
// file store and a clock the tests set by hand.

#include <cerrno>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Errors.h"
#include "core/FileStore.h"
#include "core/TextCodec.h"
#include "IconvTextCodec.h"

namespace kelo::test {

// Files as a map from path to bytes. Writes can be made to fail, all of them or those
// to chosen paths; a failed write leaves the old content, as the real store promises.
class FakeFileStore : public FileStore {
public:
    std::map<std::string, std::string> files;
    bool failAllWrites = false;
    std::set<std::string> failingPaths;
    std::set<std::string> unreadablePaths;  // held open without sharing by someone else
    int writes = 0;  // successful writes
    size_t bytesWritten = 0;

    std::optional<std::string> Read(const std::string& path) override {
        if (unreadablePaths.count(path))
            throw KeloError("Cannot open file \"" + path + "\": in use by another process.");
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    void Replace(const std::string& path, const std::string& bytes) override {
        if (failAllWrites || failingPaths.count(path))
            throw KeloError("Cannot create file \"" + path + "\".");
        files[path] = bytes;
        ++writes;
        bytesWritten += bytes.size();
    }
    bool UpdateTail(const std::string& path, uint64_t offset, const std::string& expected,
                    const std::string& replacement) override {
        if (failAllWrites || failingPaths.count(path))
            throw KeloError("Cannot write file \"" + path + "\".");
        auto it = files.find(path);
        if (it == files.end() || it->second.size() != offset + expected.size() ||
            it->second.compare(offset, expected.size(), expected) != 0)
            return false;
        it->second.replace(offset, expected.size(), replacement);
        ++writes;
        bytesWritten += replacement.size();
        return true;
    }
};

// A monotonic count and a local wall clock, moved by the test. Advance() moves both, as
// time passes for a machine that stays awake; the wall clock can also be set on its own.
class FakeClock : public Clock {
public:
    explicit FakeClock(LocalDateTime local = {2024, 3, 10, 12, 0, 0}, int64_t monoMs = 5'000'000)
        : monoMs_(monoMs), wallMs_(ToMs(local)) {}

    int64_t MonotonicMs() override { return monoMs_; }
    LocalDateTime LocalNow() override { return FromMs(wallMs_); }

    void Advance(int64_t ms) {
        monoMs_ += ms;
        wallMs_ += ms;
    }
    void AdvanceSeconds(int64_t s) { Advance(s * 1000); }
    void SetLocal(const LocalDateTime& t) { wallMs_ = ToMs(t); }
    void ShiftWall(int64_t seconds) { wallMs_ += seconds * 1000; }

private:
    static int64_t ToMs(const LocalDateTime& t) {
        using namespace std::chrono;
        sys_days day = year_month_day{year{t.year}, month{unsigned(t.month)}, std::chrono::day{unsigned(t.day)}};
        int64_t secs = int64_t(day.time_since_epoch().count()) * 86400 + t.hour * 3600 +
                       t.minute * 60 + t.second;
        return secs * 1000;
    }
    static LocalDateTime FromMs(int64_t ms) {
        using namespace std::chrono;
        int64_t secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
        int64_t rest = secs - days * 86400;
        year_month_day ymd{sys_days{std::chrono::days{days}}};
        return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
                int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
    }

    int64_t monoMs_;
    int64_t wallMs_;
};

}  // namespace kelo::test
