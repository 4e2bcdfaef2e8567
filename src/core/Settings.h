#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "core/Tariff.h"

namespace kelo {

class IniDocument;

// Names of the settings file, its sections and keys.
namespace ini {
inline constexpr const char* kFileName = "Kelo.ini";
inline constexpr const char* kSetup = "Setup";
inline constexpr const char* kDate = "Date";
inline constexpr const char* kDropForm = "DropForm";
inline constexpr const char* kBillingDay = "Start";
inline constexpr const char* kMonthLimit = "MonthDate";
inline constexpr const char* kDayLimit = "Date";
inline constexpr const char* kKeepTotal = "SetupBool";
inline constexpr const char* kSound = "Sound";
inline constexpr const char* kDefaultSound = "DefaultSound";
inline constexpr const char* kSoundPath = "SoundPath";
inline constexpr const char* kDropTrans = "DropTrans";
inline constexpr const char* kForm = "Form";
inline constexpr const char* kSumTime = "SumTime";
inline constexpr const char* kCountStart = "Start";
inline constexpr const char* kPeriod = "Period";
inline constexpr const char* kLastRun = "LastRun";
inline constexpr const char* kWarnMinutes = "WarnMinutes";
inline constexpr const char* kTariff = "Tariff";
inline constexpr const char* kMonthlyFee = "MonthlyFee";
inline constexpr const char* kIncludedHours = "IncludedHours";
inline constexpr const char* kPricePerHour = "PricePerHour";
inline constexpr const char* kUnit = "Unit";
inline constexpr const char* kRounding = "Rounding";
// The first day of the billing period whose pace warning was given (section "Date").
inline constexpr const char* kPaceWarned = "PaceWarned";
}  // namespace ini

// Defaults of section "Setup".
inline constexpr int32_t kDefaultBillingDay = 21;
inline constexpr int32_t kDefaultMonthLimit = 120;
inline constexpr int32_t kDefaultDayLimit = 5;
inline constexpr int32_t kDefaultWarnMinutes = 10;

// What the main window takes from the settings file at start.
struct MeterSettings {
    int32_t billingDay = kDefaultBillingDay;
    int32_t monthLimit = kDefaultMonthLimit;  // hours
    int32_t dayLimit = kDefaultDayLimit;      // hours
    int32_t warnMinutes = kDefaultWarnMinutes;  // before a limit; 0 (or less): no warning
    bool keepTotal = false;
    bool soundAlarm = false;
    bool useDefaultSound = true;
    std::string soundPath;
    Tariff tariff;  // section "Tariff"
};

struct StartupState {
    MeterSettings settings;
    std::string monthTotal;     // the month total before this run
    LocalDateTime countStart;   // from when the stored total has been kept
    bool countStartStored = false;  // a readable "Start" was in the file
    bool totalReset = false;    // a new billing period began: the total starts again
    // The stored total belongs to a period of another billing day: the session counts the
    // current period's time from the history instead.
    bool billingDayChanged = false;
    std::vector<std::string> messages;  // bad stored values, each told to the user once
};

// The first day of the billing period that contains `today`: the latest date not
// after today whose day is `billingDay`, or the month's last day in a shorter month.
// Days outside 1..31 are taken as the nearest of them.
CivilDate BillingPeriodStart(const CivilDate& today, int32_t billingDay);

// The section "Tariff" as stored. A bad stored value (an amount that is not one, a
// negative number of hours, a unit that is none of the billing units) takes its default
// (no fee, no hours, no price, the minute) and adds one line to `bad` as LoadSettings
// tells it; `bad` may be null.
Tariff ReadTariff(const IniDocument& doc, std::string* bad = nullptr);
void WriteTariff(IniDocument& doc, const Tariff& tariff);

// The look of the mini window (section "DropForm"). Colours are the framework's codes:
// 0x00BBGGRR, or negative for a system colour.
inline constexpr int32_t kLastFontStyle = 4;  // 0 regular, then bold, italic, underline, strike-out
struct DropLook {
    int32_t opacity = 150;
    int32_t formColor = 0;           // black
    std::string fontName = "宋体";
    int32_t fontStyle = 0;
    int32_t fontColor = 0x00FF00;    // pure green
};
// A value that cannot be used takes its default; LoadSettings tells it at start.
DropLook ReadDropLook(const IniDocument& doc);

// The start-up reading of the settings file. A bad stored value (a number that is not a
// whole number or out of its range, a yes/no that is no number, a date that does not
// read, in any section) takes its default and reading goes on; all such values together
// add one message naming `fileName`, each key and the default taken. The value of
// "SetupBool" is written back into `doc` as read.
StartupState LoadSettings(IniDocument& doc, const LocalDateTime& now,
                          std::string_view fileName = ini::kFileName);

}  // namespace kelo
