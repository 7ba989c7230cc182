#pragma once
// Shared helpers of the whole system: the error classes, printf-style
// formatting with a fixed decimal point, the number conventions of the
// pages, the day-counting date-time, ticks and sleeps.

#include <cstdint>
#include <stdexcept>
#include <string>

// The general error: every failure a user may see carries its message text.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A failed system call: the errno value and the system's text for it.
class EOSError : public Exception {
public:
    // The message is the system's text of `errorCode`, prefixed by
    // `context` and ": " when the context is not empty.
    explicit EOSError(int errorCode, const std::string& context = {});
    int ErrorCode;
};

// The system's text of an errno value.
std::string SysErrorMessage(int errorCode);

// printf-style formatting into a string; the decimal mark is always ".",
// whatever locale the process runs in.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Number conventions of the typed fields. A real: every comma becomes a
// point, surrounding blanks are ignored, empty or non-numeric text is 0.
double StrToReal(const std::string& text);
// Signed and unsigned decimal integers; non-numeric or out-of-range text is 0.
int32_t StrToInt(const std::string& text);
uint32_t StrToUInt(const std::string& text);
// Strict variants: true when the whole text (blanks aside) is a number.
bool TryStrToReal(const std::string& text, double& value);
bool TryStrToInt(const std::string& text, int64_t& value);

// Seconds as "%02d:%02d:%02d"; hours are not limited to 24.
std::string FormatDuration(int64_t seconds);

// The date-time of the GUI class library: days since 30 December 1899,
// the fraction being the time of day.
using TDateTime = double;

bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
// Raise Exception on an invalid date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec = 0);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// Day of week of the date, 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);
// Local and UTC wall-clock time now.
TDateTime Now();
TDateTime NowUTC();
// Formats with the letters of the GUI class library: d dd m mm yy yyyy
// h hh n nn s ss z zzz, text in single or double quotes copied as is;
// "m"/"mm" right after an hour means minutes. "/" and ":" are the date and
// time separators. Examples: "dd'/'mm'/'yy", "hh:nn:ss",
// "dd/mm/yyyy hh:mm:ss", "_yyyy_mm_dd_hh_nn".
std::string FormatDateTime(const std::string& format, TDateTime value);

// Milliseconds of a monotonic clock.
uint64_t GetTickCount64();
// The UTC time of day with milliseconds, "hh:nn:ss.zzz".
void UtcTimeOfDay(int& hour, int& minute, int& second, int& msec);
std::string UtcTimeOfDayText();
// Sleeps until a deadline on the monotonic clock; 0 returns at once.
void Sleep(uint32_t milliseconds);
// The line paces itself with sleeps of 1 and 10 ms (after each exchange and
// transaction, after a stored read), and the simulated meter paces each
// frame at wire speed; the kernel's default timer slack of 50 us per sleep,
// plus its wake-up latency, would lengthen every transaction by a tenth of
// a millisecond or more. Sets the calling thread's slack to 1 ns (the
// least: 0 means the default). Threads created afterwards inherit it, so a
// program calls it first thing in main().
void ReduceTimerSlack();

// UTF-8 text helpers.
std::string Trim(const std::string& text);
