#include "core/Settings.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/IniDocument.h"
#include "core/MonthTotal.h"

namespace kelo {

CivilDate BillingPeriodStart(const CivilDate& today, int32_t billingDay) {
    const int day = std::clamp<int32_t>(billingDay, 1, 31);
    const int thisMonth = std::min(day, DaysInMonth(today.year, today.month));
    if (thisMonth <= today.day) return {today.year, today.month, thisMonth};
    const int year = today.month == 1 ? today.year - 1 : today.year;
    const int month = today.month == 1 ? 12 : today.month - 1;
    return {year, month, std::min(day, DaysInMonth(year, month))};
}

namespace {

// A strict number that does not convert is told to the user and takes its default.
int32_t ReadStrictOrDefault(const IniDocument& doc, const char* key, int32_t def,
                            std::vector<std::string>& messages) {
    try {
        return doc.ReadStrictInt(ini::kSetup, key, def);
    } catch (const ConvertError& e) {
        messages.push_back(e.what());
        return def;
    }
}

// Whether this start begins a new billing period, so the stored total is not carried.
// Only a period that began after the last saving run started counts: a run that
// spanned a billing day resets at the next start, a billing day changed within the
// period keeps the month, and a stored run later than today (the clock was set back)
// resets nothing.
bool StartsNewPeriod(const IniDocument& doc, const MeterSettings& s, const CivilDate& today) {
    if (s.keepTotal) return false;
    std::optional<CivilDate> lastSaved;
    if (const auto lastRun = doc.Read(ini::kDate, ini::kLastRun)) {
        if (const auto t = ParseDateTime(*lastRun)) lastSaved = t->Date();
    }
    if (!lastSaved) {
        // A file from before the run's start was stored: its period's first day.
        if (const auto period = doc.Read(ini::kDate, ini::kPeriod)) lastSaved = ParseDate(*period);
    }
    if (lastSaved)
        return DaysFromCivil(BillingPeriodStart(today, s.billingDay)) > DaysFromCivil(*lastSaved);
    // A file from before periods were stored: only a start on the billing day resets.
    return today.day == s.billingDay;
}

}  // namespace

StartupState LoadSettings(IniDocument& doc, const LocalDateTime& now) {
    StartupState st;
    MeterSettings& s = st.settings;
    s.keepTotal = doc.ReadBool(ini::kSetup, ini::kKeepTotal, false);
    s.monthLimit = ReadStrictOrDefault(doc, ini::kMonthLimit, kDefaultMonthLimit, st.messages);
    s.dayLimit = ReadStrictOrDefault(doc, ini::kDayLimit, kDefaultDayLimit, st.messages);
    s.billingDay = ReadStrictOrDefault(doc, ini::kBillingDay, kDefaultBillingDay, st.messages);
    s.warnMinutes = ReadStrictOrDefault(doc, ini::kWarnMinutes, kDefaultWarnMinutes, st.messages);
    s.soundAlarm = doc.ReadBool(ini::kSetup, ini::kSound, false);
    s.useDefaultSound = doc.ReadBool(ini::kSetup, ini::kDefaultSound, true);

    st.totalReset = StartsNewPeriod(doc, s, now.Date());
    if (st.totalReset) {
        st.monthTotal = kInitialMonthTotal;
    } else {
        st.monthTotal = doc.ReadString(ini::kDate, ini::kSumTime, kInitialMonthTotal);
        if (!MonthTotal::Parse(st.monthTotal)) {
            st.messages.push_back("Kelo.ini 中本月用时 SumTime 的值 '" + st.monthTotal +
                                  "' 无效，本月用时从 00:00:00 开始计算。");
            st.monthTotal = kInitialMonthTotal;
        }
    }
    doc.WriteBool(ini::kSetup, ini::kKeepTotal, s.keepTotal);

    const auto countStart = doc.ReadDateTime(ini::kDate, ini::kCountStart);
    st.countStartStored = countStart.has_value() && !st.totalReset;
    st.countStart = st.countStartStored ? *countStart : now;
    s.soundPath = doc.ReadString(ini::kSetup, ini::kSoundPath, "");
    return st;
}

}  // namespace kelo
