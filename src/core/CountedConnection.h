#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "core/Connection.h"
#include "core/ConnectionRecord.h"
#include "core/Tariff.h"

namespace kelo {

class Clock;
class FileStore;
class TextCodec;

// The connection the run counts, beside the run's session: each check asks the system
// about the chosen connection only, feeds the itemised record, and keeps the texts that
// name it. The record is saved on its own, so its failure never holds back the other
// files, nor theirs it.
class CountedConnection {
public:
    CountedConnection(ConnectionTable& table, ConnectionChoice choice, FileStore& files, const TextCodec& codec,
                      Clock& clock, std::string recordPath, int32_t unitSeconds);

    // The 2-second check: whether the counted connection is online now.
    bool Check();
    // A billing period that began since the last call cuts the connection in progress at
    // its first second, as the run's history line is cut.
    void FollowPeriod(const BillingPeriod& period);
    // The tariff's billing unit changed: the connection in progress is billed at it.
    void SetUnit(int32_t unitSeconds) { record_.SetUnit(unitSeconds); }
    // Saves the record when 13 s have passed since its last save. Never throws: the text
    // is a failure to show, each kind only once a run.
    std::optional<std::string> CheckpointIfDue();
    // The program ends: the connection in progress is saved as ending now.
    std::optional<std::string> SaveAtExit();

    // "计费连接：任何连接", "计费连接：宽带连接（已连接）".
    std::string StatusText() const;
    // The counted connection's first address seen connected in the run; empty for any
    // connection, whose address is the host's.
    const std::string& RunAddress() const { return monitor_.RunAddress(); }
    const ConnectionChoice& Choice() const { return monitor_.Choice(); }
    const ConnectionRecord& Record() const { return record_; }

private:
    ConnectionMonitor monitor_;
    ConnectionRecord record_;
    Clock& clock_;
    ConnectionState last_;
    std::optional<BillingPeriod> period_;
    int64_t lastSaveMs_;
};

}  // namespace kelo
