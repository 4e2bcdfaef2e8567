#include "core/Settings.h"

#include <algorithm>
#include <climits>

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
    // A yes/no key takes what a whole number says (not 0 is yes); anything else is bad.
    bool ReadBool(const IniDocument& doc, const char* section, const char* key, bool def) {
        const auto stored = doc.Read(section, key);
        if (!stored) return def;
        if (const auto value = TryStrToIntLenient(*stored)) return *value != 0;
        Add(section, key, *stored, std::string("不是 0 或 1，改用默认值 ") + (def ? "1" : "0"));
        return def;
    }
    // A number the program reads leniently (decimal or "0x" hexadecimal) within [low, high].
    int32_t ReadNumber(const IniDocument& doc, const char* section, const char* key, int32_t def,
                       int32_t low, int32_t high) {
        const auto stored = doc.Read(section, key);
        if (!stored) return def;
        const auto value = TryStrToIntLenient(*stored);
        if (value && *value >= low && *value <= high) return *value;
        Add(section, key, *stored, value ? "超出范围，改用默认值 " + std::to_string(def)
                                         : "不是整数，改用默认值 " + std::to_string(def));
        return def;
    }
    // A date ("yyyy-mm-dd") or a date and time; one that does not read counts as absent.
    void CheckDate(const IniDocument& doc, const char* section, const char* key, bool withTime,
                   const std::string& taken) {
        const auto stored = doc.Read(section, key);
        if (!stored || (withTime ? ParseDateTime(*stored).has_value() : ParseDate(*stored).has_value())) return;
        Add(section, key, *stored, (withTime ? "不是有效的日期时间，" : "不是有效的日期，") + taken);
    }
    void Add(const char* section, const char* key, const std::string& stored,
             const std::string& taken) {
        // A NUL in the stored text would end the message where it stands.
        std::string shown;
        for (const char c : stored) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        lines_ += "\n[" + std::string(section) + "] " + key + "=" + shown + "：" + taken + "。";
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

// The mini window's look; `bad` takes what it cannot use.
DropLook ReadDropLook(const IniDocument& doc, BadValues& bad) {
    DropLook look;
    look.opacity = bad.ReadNumber(doc, ini::kDropForm, "Transparence", look.opacity, 1, 255);
    look.formColor = bad.ReadNumber(doc, ini::kDropForm, "FormColor", look.formColor, INT32_MIN, INT32_MAX);
    look.fontName = doc.ReadString(ini::kDropForm, "FontName", look.fontName);
    look.fontStyle = bad.ReadInt(doc, ini::kDropForm, "FontStyle", look.fontStyle, true);
    if (look.fontStyle > kLastFontStyle) {
        bad.Add(ini::kDropForm, "FontStyle", *doc.Read(ini::kDropForm, "FontStyle"), "超出范围，改用默认值 0");
        look.fontStyle = 0;
    }
    look.fontColor = bad.ReadNumber(doc, ini::kDropForm, "FontColor", look.fontColor, INT32_MIN, INT32_MAX);
    return look;
}

// What the start itself does not use is checked with the rest, so that a bad value is
// told once, at start, whoever reads it later (the options dialog, the mini window, the
// pace warning).
void CheckOtherValues(const IniDocument& doc, BadValues& bad, const LocalDateTime& countStart) {
    bad.ReadBool(doc, ini::kSetup, ini::kDropTrans, true);
    bad.ReadBool(doc, ini::kSetup, ini::kForm, true);
    bad.CheckDate(doc, ini::kDate, ini::kCountStart, true, "改用 " + FormatDateTime(countStart));
    bad.CheckDate(doc, ini::kDate, ini::kLastRun, true, "按没有记录处理");
    bad.CheckDate(doc, ini::kDate, ini::kPeriod, false, "按没有记录处理");
    bad.CheckDate(doc, ini::kDate, ini::kPaceWarned, false, "按本期尚未提醒处理");
    ReadDropLook(doc, bad);
}

}  // namespace

DropLook ReadDropLook(const IniDocument& doc) {
    BadValues ignored(nullptr);
    return ReadDropLook(doc, ignored);
}

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
    const int32_t rounding = values.ReadInt(doc, ini::kTariff, ini::kRounding, 0, true);
    if (rounding > 1)
        values.Add(ini::kTariff, ini::kRounding, *doc.Read(ini::kTariff, ini::kRounding), "不是 0 或 1，改用默认值 0");
    else
        t.rounding = static_cast<TariffRounding>(rounding);
    return t;
}

void WriteTariff(IniDocument& doc, const Tariff& t) {
    doc.Write(ini::kTariff, ini::kMonthlyFee, FormatYuan(t.monthlyFeeFen));
    doc.WriteInt(ini::kTariff, ini::kIncludedHours, t.includedHours);
    doc.Write(ini::kTariff, ini::kPricePerHour, FormatYuan(t.pricePerHourFen));
    doc.WriteInt(ini::kTariff, ini::kUnit, t.unitSeconds);
    doc.WriteInt(ini::kTariff, ini::kRounding, static_cast<int32_t>(t.rounding));
}

StartupState LoadSettings(IniDocument& doc, const LocalDateTime& now, std::string_view fileName) {
    StartupState st;
    MeterSettings& s = st.settings;
    std::string badLines;
    BadValues bad(&badLines);
    s.keepTotal = bad.ReadBool(doc, ini::kSetup, ini::kKeepTotal, false);
    s.monthLimit = bad.ReadSetup(doc, ini::kMonthLimit, kDefaultMonthLimit, true);
    s.dayLimit = bad.ReadSetup(doc, ini::kDayLimit, kDefaultDayLimit, true);
    s.billingDay = bad.ReadSetup(doc, ini::kBillingDay, kDefaultBillingDay, false);
    s.warnMinutes = bad.ReadSetup(doc, ini::kWarnMinutes, kDefaultWarnMinutes, false);
    s.soundAlarm = bad.ReadBool(doc, ini::kSetup, ini::kSound, false);
    s.useDefaultSound = bad.ReadBool(doc, ini::kSetup, ini::kDefaultSound, true);

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
    CheckOtherValues(doc, bad, st.countStart);
    bad.Report(fileName, st.messages);
    return st;
}

}  // namespace kelo
