#pragma once

// Texts the user sees that more than one window shares.
namespace kelo::res {

inline constexpr const wchar_t* kMutexName = L"Mavro Kelo";
inline constexpr const wchar_t* kAppTitle = L"Brivo上网计时器";
inline constexpr const wchar_t* kMainCaption = L"上网计时器——Brivo开发绿色版软件";
// The maker's web page, opened by "Brivo官方(&H)".
inline constexpr const wchar_t* kHomePage = L"https://kelo.example.org/";
// The news page the notice window shows, on the same server.
inline constexpr const wchar_t* kNewsPage = L"https://kelo.example.org/form2/news.htm";

inline constexpr const wchar_t* kUiFontName = L"宋体";
inline constexpr int kUiFontHeight = 12;

inline constexpr const char* kMonthLabel = "本月用时:";
inline constexpr const char* kRunLabel = "本次用时:";
inline constexpr const char* kStartLabel = "本次开始时间:";

inline constexpr const wchar_t* kAlarmCaption = L"提示";
inline constexpr const char* kDayLimitReached = "今天上网的时间已经到了!";
inline constexpr const char* kMonthLimitReached = "本月上网时间已经到了!";

}  // namespace kelo::res
