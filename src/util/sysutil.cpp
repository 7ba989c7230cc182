#include "util/sysutil.h"

#include <charconv>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <sys/prctl.h>
#include <vector>

namespace {

// The C locale, used for every number conversion so that a user locale with
// a decimal comma never changes what is written or read.
locale_t CLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return loc;
}

class ScopedCLocale {
public:
    ScopedCLocale() : previous_(uselocale(CLocale())) {}
    ~ScopedCLocale() { uselocale(previous_); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t previous_;
};

constexpr double kUnixEpoch = 25569.0;  // 1 January 1970 as a TDateTime
constexpr double kMsPerDay = 86400000.0;

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

// Milliseconds since 30 December 1899. A negative value counts whole days
// back while its fraction is still the time of day: -1.25 is 29 December
// 1899, 06:00.
int64_t ToMs(TDateTime value)
{
    const double whole = std::trunc(value);
    const double frac = std::fabs(value - whole);
    return static_cast<int64_t>(whole) * 86400000LL + static_cast<int64_t>(std::llround(frac * kMsPerDay));
}

TDateTime FromTimeT(std::time_t t, int msec, bool local)
{
    std::tm tm{};
    if (local)
        localtime_r(&t, &tm);
    else
        gmtime_r(&t, &tm);
    return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec, msec);
}

TDateTime NowImpl(bool local)
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    return FromTimeT(static_cast<std::time_t>(ms / 1000), static_cast<int>(ms % 1000), local);
}

}  // namespace

std::string SysErrorMessage(int errorCode)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be the buffer.
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    return text ? std::string(text) : Format("Ошибка %d", errorCode);
}

EOSError::EOSError(int errorCode, const std::string& context)
    : Exception(context.empty() ? SysErrorMessage(errorCode) : context + ": " + SysErrorMessage(errorCode)),
      ErrorCode(errorCode)
{
}

std::string Format(const char* fmt, ...)
{
    ScopedCLocale c;
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int needed = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    std::string result;
    if (needed < 0) {
        va_end(copy);
        return result;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        result.assign(small, static_cast<size_t>(needed));
    } else {
        std::vector<char> big(static_cast<size_t>(needed) + 1);
        std::vsnprintf(big.data(), big.size(), fmt, copy);
        result.assign(big.data(), static_cast<size_t>(needed));
    }
    va_end(copy);
    return result;
}

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool TryStrToReal(const std::string& text, double& value)
{
    std::string t = Trim(text);
    for (char& ch : t)
        if (ch == ',')
            ch = '.';
    if (t.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double v = strtod_l(t.c_str(), &end, CLocale());
    if (end != t.c_str() + t.size() || errno == ERANGE || std::isnan(v) || std::isinf(v))
        return false;
    value = v;
    return true;
}

double StrToReal(const std::string& text)
{
    double v = 0;
    return TryStrToReal(text, v) ? v : 0.0;
}

bool TryStrToInt(const std::string& text, int64_t& value)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end != t.c_str() + t.size() || errno == ERANGE)
        return false;
    value = v;
    return true;
}

int32_t StrToInt(const std::string& text)
{
    int64_t v = 0;
    if (!TryStrToInt(text, v) || v < INT32_MIN || v > INT32_MAX)
        return 0;
    return static_cast<int32_t>(v);
}

uint32_t StrToUInt(const std::string& text)
{
    int64_t v = 0;
    if (!TryStrToInt(text, v) || v < 0 || v > static_cast<int64_t>(UINT32_MAX))
        return 0;
    return static_cast<uint32_t>(v);
}

std::string FormatDuration(int64_t seconds)
{
    // "%02lld:%02d:%02d" written out by hand: an archive table formats
    // seven of these per row, and printf is most of a row's cost.
    const uint64_t s = seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
    char text[32];
    char* p = text;
    if (seconds < 0)
        *p++ = '-';
    const uint64_t hours = s / 3600;
    if (hours < 10)
        *p++ = '0';
    p = std::to_chars(p, text + sizeof text, hours).ptr;
    for (const unsigned part : {static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60)}) {
        *p++ = ':';
        *p++ = static_cast<char>('0' + part / 10);
        *p++ = static_cast<char>('0' + part % 10);
    }
    return std::string(text, p);
}

bool IsValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int limit = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= limit;
}

bool IsValidTime(int hour, int minute, int second, int msec)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           msec >= 0 && msec < 1000;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (!IsValidDate(year, month, day))
        return false;
    result = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) +
             kUnixEpoch;
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result)
{
    if (!IsValidTime(hour, minute, second, msec))
        return false;
    result = ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r))
        throw Exception(Format("Неверная дата %02d.%02d.%04d", day, month, year));
    return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    TDateTime r = 0;
    if (!TryEncodeTime(hour, minute, second, msec, r))
        throw Exception(Format("Неверное время %02d:%02d:%02d", hour, minute, second));
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    const TDateTime d = EncodeDate(year, month, day);
    const TDateTime t = EncodeTime(hour, minute, second, msec);
    return d >= 0 ? d + t : d - t;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    const int64_t ms = ToMs(value);
    const int64_t days = ms >= 0 ? ms / 86400000LL : -((-ms + 86399999LL) / 86400000LL);
    CivilFromDays(days - static_cast<int64_t>(kUnixEpoch), year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    int64_t ms = ToMs(value) % 86400000LL;
    if (ms < 0)
        ms += 86400000LL;
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value)
{
    const int64_t ms = ToMs(value);
    const int64_t days = ms >= 0 ? ms / 86400000LL : -((-ms + 86399999LL) / 86400000LL);
    // 30 December 1899 was a Saturday (7).
    int64_t dow = (days + 6) % 7;
    if (dow < 0)
        dow += 7;
    return static_cast<int>(dow) + 1;
}

TDateTime Now() { return NowImpl(true); }
TDateTime NowUTC() { return NowImpl(false); }

std::string FormatDateTime(const std::string& format, TDateTime value)
{
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    std::string out;
    bool afterHour = false;
    size_t i = 0;
    const size_t n = format.size();
    auto run = [&](char c) {
        size_t k = i;
        while (k < n && (format[k] == c || format[k] == static_cast<char>(c - 32)))
            ++k;
        return k - i;
    };
    while (i < n) {
        const char c = format[i];
        const char lc = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        if (c == '\'' || c == '"') {
            const size_t close = format.find(c, i + 1);
            const size_t end = close == std::string::npos ? n : close;
            out += format.substr(i + 1, end - i - 1);
            i = end == n ? n : end + 1;
            continue;
        }
        if (lc == 'y') {
            const size_t len = run('y');
            out += len <= 2 ? Format("%02d", year % 100) : Format("%04d", year);
            i += len;
            afterHour = false;
        } else if (lc == 'm') {
            const size_t len = run('m');
            const int v = afterHour ? minute : month;
            out += len >= 2 ? Format("%02d", v) : Format("%d", v);
            i += len;
            afterHour = false;
        } else if (lc == 'd') {
            const size_t len = run('d');
            out += len >= 2 ? Format("%02d", day) : Format("%d", day);
            i += len;
            afterHour = false;
        } else if (lc == 'h') {
            const size_t len = run('h');
            out += len >= 2 ? Format("%02d", hour) : Format("%d", hour);
            i += len;
            afterHour = true;
        } else if (lc == 'n') {
            const size_t len = run('n');
            out += len >= 2 ? Format("%02d", minute) : Format("%d", minute);
            i += len;
            afterHour = false;
        } else if (lc == 's') {
            const size_t len = run('s');
            out += len >= 2 ? Format("%02d", second) : Format("%d", second);
            i += len;
        } else if (lc == 'z') {
            const size_t len = run('z');
            out += len >= 3 ? Format("%03d", msec) : Format("%d", msec);
            i += len;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

uint64_t GetTickCount64()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void UtcTimeOfDay(int& hour, int& minute, int& second, int& msec)
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const int64_t ofDay = ms % 86400000LL;
    hour = static_cast<int>(ofDay / 3600000);
    minute = static_cast<int>(ofDay / 60000 % 60);
    second = static_cast<int>(ofDay / 1000 % 60);
    msec = static_cast<int>(ofDay % 1000);
}

std::string UtcTimeOfDayText()
{
    int hour, minute, second, msec;
    UtcTimeOfDay(hour, minute, second, msec);
    return Format("%02d:%02d:%02d.%03d", hour, minute, second, msec);
}

void Sleep(uint32_t milliseconds)
{
#ifdef ZT_FUZZ_NO_PAUSES
    // The fuzzing build feeds transactions replies from memory: the line's
    // pacing pauses would only slow it down.
    milliseconds = 0;
#endif
    if (milliseconds == 0)
        return;
    // An absolute deadline: a signal that interrupts the sleep resumes it
    // towards the same end instead of starting the remainder afresh.
    timespec due{};
    clock_gettime(CLOCK_MONOTONIC, &due);
    due.tv_sec += static_cast<time_t>(milliseconds / 1000);
    due.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (due.tv_nsec >= 1000000000L) {
        due.tv_sec += 1;
        due.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
    }
}

void ReduceTimerSlack()
{
    // A kernel that refuses keeps its default slack; nothing else changes.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}
