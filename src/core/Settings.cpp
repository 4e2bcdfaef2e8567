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

// Stored values that could not be taken, told together in one message at start.
class BadValues {
public:
    explicit BadValues(std::string* lines) : lines_(lines ? *lines : own_) {}
    // A strict whole number: one that does not convert, or a negative one where the
    // program never stores one, takes its default.
    int32_t ReadInt(const IniDocument& doc, const char* section, const char* key, int32_t def,
                    bool nonNegative) {
        const auto stored = doc.Read(section, key);
        try {
            const int32_t value = doc.ReadStrictInt(section, key, def);
            if (!nonNegative || value >= 0) return value;
            Add(section, key, *stored, "不能是负数，改用默认值 " + std::to_string(def));
        } catch (const ConvertError&) {
            Add(section, key, stored.value_or(""), "不是整数，改用默认值 " + std::to_string(def));
        }
        return def;
    }
    int32_t ReadSetup(const IniDocument& doc, const char* key, int32_t def, bool nonNegative) {
        return ReadInt(doc, ini::kSetup, key, def, nonNegative);
    }
    // An amount of yuan up to `maxFen`; absent or bad, none.
    int64_t ReadYuan(const IniDocument& doc, const char* key, int64_t maxFen) {
        const auto stored = doc.Read(ini::kTariff, key);
        if (!stored) return 0;
        const auto fen = ParseYuan(*stored);
        if (fen && *fen <= maxFen) return *fen;
        Add(ini::kTariff, key, *stored,
            fen ? "超过 " + FormatYuan(maxFen) + " 元，改用默认值 0" : "不是有效的金额，改用默认值 0");
        return 0;
    }
    void Add(const char* section, const char* key, const std::string& stored,
             const std::string& taken) {
        lines_ += "\n[" + std::string(section) + "] " + key + "=" + stored + "：" + taken + "。";
    }
    void Report(std::string_view fileName, std::vector<std::string>& messages) const {
        if (lines_.empty()) return;
        messages.push_back("设置文件 " + std::string(fileName) + " 中有无效的数值，已改用默认值：" +
                           lines_);
    }

private:
    std::string own_;
    std::string& lines_;
};

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

// Whether the stored total belongs to a period that the billing day no longer makes: its
// first day is no period's first day any more.
bool BillingDayChanged(const IniDocument& doc, const MeterSettings& s) {
    const auto stored = doc.Read(ini::kDate, ini::kPeriod);
    const auto period = stored ? ParseDate(*stored) : std::nullopt;
    return period && BillingPeriodStart(*period, s.billingDay) != *period;
}

}  // namespace

Tariff ReadTariff(const IniDocument& doc, std::string* bad) {
    BadValues values(bad);
    Tariff t;
    t.monthlyFeeFen = values.ReadYuan(doc, ini::kMonthlyFee, kMaxMonthlyFeeFen);
    t.includedHours = values.ReadInt(doc, ini::kTariff, ini::kIncludedHours, 0, true);
    t.pricePerHourFen = values.ReadYuan(doc, ini::kPricePerHour, kMaxPricePerHourFen);
    t.unitSeconds = values.ReadInt(doc, ini::kTariff, ini::kUnit, kDefaultTariffUnit, true);
    if (!IsTariffUnit(t.unitSeconds)) {
        values.Add(ini::kTariff, ini::kUnit, *doc.Read(ini::kTariff, ini::kUnit),
                   "不是 1、60、360 或 3600 秒，改用默认值 " + std::to_string(kDefaultTariffUnit));
        t.unitSeconds = kDefaultTariffUnit;
    }
    return t;
}

void WriteTariff(IniDocument& doc, const Tariff& t) {
    doc.Write(ini::kTariff, ini::kMonthlyFee, FormatYuan(t.monthlyFeeFen));
    doc.WriteInt(ini::kTariff, ini::kIncludedHours, t.includedHours);
    doc.Write(ini::kTariff, ini::kPricePerHour, FormatYuan(t.pricePerHourFen));
    doc.WriteInt(ini::kTariff, ini::kUnit, t.unitSeconds);
}

StartupState LoadSettings(IniDocument& doc, const LocalDateTime& now, std::string_view fileName) {
    StartupState st;
    MeterSettings& s = st.settings;
    std::string badLines;
    BadValues bad(&badLines);
    s.keepTotal = doc.ReadBool(ini::kSetup, ini::kKeepTotal, false);
    s.monthLimit = bad.ReadSetup(doc, ini::kMonthLimit, kDefaultMonthLimit, true);
    s.dayLimit = bad.ReadSetup(doc, ini::kDayLimit, kDefaultDayLimit, true);
    s.billingDay = bad.ReadSetup(doc, ini::kBillingDay, kDefaultBillingDay, false);
    s.warnMinutes = bad.ReadSetup(doc, ini::kWarnMinutes, kDefaultWarnMinutes, false);
    s.soundAlarm = doc.ReadBool(ini::kSetup, ini::kSound, false);
    s.useDefaultSound = doc.ReadBool(ini::kSetup, ini::kDefaultSound, true);

    st.totalReset = StartsNewPeriod(doc, s, now.Date());
    st.billingDayChanged = BillingDayChanged(doc, s);
    if (st.totalReset) {
        st.monthTotal = kInitialMonthTotal;
    } else {
        st.monthTotal = doc.ReadString(ini::kDate, ini::kSumTime, kInitialMonthTotal);
        const auto total = MonthTotal::Parse(st.monthTotal);
        if (!total || total->hours > kMaxMonthTotalHours) {
            bad.Add(ini::kDate, ini::kSumTime, st.monthTotal,
                    std::string(total ? "超过 " + std::to_string(kMaxMonthTotalHours) + " 小时" : "不是有效的用时") +
                        "，本月用时从 " + kInitialMonthTotal + " 开始计算");
            st.monthTotal = kInitialMonthTotal;
        }
    }
    doc.WriteBool(ini::kSetup, ini::kKeepTotal, s.keepTotal);

    const auto countStart = doc.ReadDateTime(ini::kDate, ini::kCountStart);
    st.countStartStored = countStart.has_value() && !st.totalReset;
    st.countStart = st.countStartStored ? *countStart : now;
    s.soundPath = doc.ReadString(ini::kSetup, ini::kSoundPath, "");
    s.tariff = ReadTariff(doc, &badLines);
    bad.Report(fileName, st.messages);
    return st;
}

}  // namespace kelo
