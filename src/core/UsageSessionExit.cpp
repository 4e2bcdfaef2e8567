#include "core/Errors.h"
#include "core/FileStore.h"
#include "core/TextCodec.h"
#include "core/UsageSession.h"

namespace kelo {

std::string UsageSession::ReservePath() const { return env_.appDir + kReserveFileName; }

// What the last run could not save is told now; then the reserve is made again, where
// there is room (without it the last saves only go through when the disk has room).
void UsageSession::TakeUpReserve() {
    std::optional<std::string> held;
    try {
        held = env_.files.Read(ReservePath());
    } catch (const KeloError&) {
        return;  // another program holds it: it is left as it is
    }
    if (held && !held->empty() && held->front() != '\0')
        state_.messages.push_back(env_.codec.ToUtf8(held->substr(0, held->find('\0'))));
    if (!held || *held != std::string(kReserveBytes, '\0')) MakeReserve();
}

void UsageSession::MakeReserve() {
    try {
        env_.files.Replace(ReservePath(), std::string(kReserveBytes, '\0'));
        lossNote_.clear();
    } catch (const KeloError&) {
        // No room now: a note already in the reserve stays for the next start.
    }
}

// What a failed save would lose: the time the stored month total lacks, the run's line.
std::string UsageSession::Losses(const SaveFailures& failures, const char* run) const {
    std::string text;
    if (failures.total)
        text += std::string(run) + " " + FormatDuration(meter_.RunSeconds() - savedTotalRunSeconds_) +
                " 的上网时间尚未保存。";
    if (failures.history) text += std::string(run) + "的使用记录尚未保存。";
    return text;
}

// Written over the first part of the reserve, whose room the file already has, so it
// goes in on a full disk too.
void UsageSession::NoteLoss(const SaveFailures& failures) {
    std::string note = "上次运行（" + FormatDateTime(runStart_) + " 开始）退出时未能保存：";
    for (const auto* failure : {&failures.history, &failures.total})
        if (*failure) note += "\n" + **failure;
    note = env_.codec.FromUtf8(note + "\n" + Losses(failures, "那次运行"));
    note.resize(kLossNoteBytes - 1, '\0');  // the last byte stays NUL: the note ends there
    note += '\0';
    const std::string before = lossNote_.empty() ? std::string(kLossNoteBytes, '\0') : lossNote_;
    try {
        if (env_.files.UpdateTail(ReservePath(), 0, before, note)) lossNote_ = note;
    } catch (const KeloError&) {
        // Nothing more can be done: the session ends or the user is asked.
    }
}

void UsageSession::SaveAtExit() {
    meter_.Stop();
    if (meter_.RunSeconds() == 0) return;
    SaveFailures failures = SaveUsage(true);
    if (failures.history || failures.total) {
        // The disk may be full: most of the reserve's room is given back, and the saves go
        // again, the run's line written over its place in the history, not the whole file.
        try {
            env_.files.Shorten(ReservePath(), kLossNoteBytes);
        } catch (const KeloError&) {
        }
        failures = SaveUsage(false);
    }
    if (!failures.history && !failures.total) {
        // A save that failed before got through after all: the note goes.
        if (!lossNote_.empty()) {
            try {
                if (env_.files.UpdateTail(ReservePath(), 0, lossNote_, std::string(kLossNoteBytes, '\0')))
                    lossNote_.clear();
            } catch (const KeloError&) {
            }
        }
        return;
    }
    NoteLoss(failures);
    std::string text;
    for (const auto* failure : {&failures.history, &failures.total})
        if (*failure) text += **failure + "\n";
    throw KeloError(text + "\n" + Losses(failures, "本次"));
}

void UsageSession::Resume() {
    meter_.Resume();
    MakeReserve();
}

}  // namespace kelo
