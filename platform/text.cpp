// GBK-aware text and number utilities, and date values.
//
// Every scan walks the text from its first byte in whole characters: a byte
// with the high bit set and the byte after it are one unit. That is what
// keeps a search from matching from the middle of a Chinese character.
#include "platform/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace trivex::text {
namespace {

// Length in bytes of the character that starts at byte i (a lead byte at the
// very end of the text stands alone).
size_t charLen(const Text& t, size_t i) {
    return isLeadByte(t[i]) && i + 1 < t.size() ? 2 : 1;
}

// Bytes of single-byte characters folded to lower case; two-byte characters
// untouched (their trail bytes may look like ASCII letters).
Text foldAscii(const Text& t) {
    Text out = t;
    for (size_t i = 0; i < out.size();) {
        const size_t len = charLen(out, i);
        if (len == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
        i += len;
    }
    return out;
}

// 0-based offset of the first occurrence of `needle` (non-empty) at a
// character start at or after byte `from`, or npos. `hay` steps like `shape`
// (the unfolded text, same length).
size_t scanForward(const Text& shape, const Text& hay, const Text& needle, size_t from) {
    const size_t n = hay.size(), m = needle.size();
    for (size_t i = 0; i < n && m <= n - i; i += charLen(shape, i))
        if (i >= from && hay.compare(i, m, needle) == 0) return i;
    return Text::npos;
}

}  // namespace

Text left(const Text& t, int64_t n) {
    if (n <= 0) return {};
    return t.substr(0, static_cast<size_t>(std::min<int64_t>(n, length(t))));
}

Text right(const Text& t, int64_t n) {
    if (n <= 0) return {};
    const int64_t take = std::min<int64_t>(n, length(t));
    return t.substr(static_cast<size_t>(length(t) - take));
}

int64_t find(const Text& t, const Text& sought, int64_t start, bool ignoreCase) {
    if (sought.empty()) return t.empty() ? -1 : 1;
    if (start > length(t)) return -1;
    const size_t from = start < 1 ? 0 : static_cast<size_t>(start - 1);
    const size_t at = ignoreCase ? scanForward(t, foldAscii(t), foldAscii(sought), from)
                                 : scanForward(t, t, sought, from);
    return at == Text::npos ? -1 : static_cast<int64_t>(at) + 1;
}

bool equalIgnoringCase(const Text& a, const Text& b) {
    return a.size() == b.size() && (a.empty() || find(a, b, 1, true) == 1);
}

int64_t findBackwards(const Text& t, const Text& sought) {
    // An empty sought text is treated as by `find`.
    if (sought.empty()) return t.empty() ? -1 : 1;
    int64_t last = -1;
    const size_t n = t.size(), m = sought.size();
    for (size_t i = 0; i < n && m <= n - i; i += charLen(t, i))
        if (t.compare(i, m, sought) == 0) last = static_cast<int64_t>(i) + 1;
    return last;
}

namespace {
bool isSpaceUnit(const Text& t, size_t i, size_t len) {
    if (len == 1) return t[i] == ' ';
    return static_cast<unsigned char>(t[i]) == 0xA1 && static_cast<unsigned char>(t[i + 1]) == 0xA1;
}
}  // namespace

Text trimLeading(const Text& t) {
    size_t i = 0;
    while (i < t.size()) {
        const size_t len = charLen(t, i);
        if (!isSpaceUnit(t, i, len)) break;
        i += len;
    }
    return t.substr(i);
}

Text trimTrailing(const Text& t) {
    size_t keep = 0;  // end of the last character that is not a space
    for (size_t i = 0; i < t.size();) {
        const size_t len = charLen(t, i);
        const bool space = isSpaceUnit(t, i, len);
        i += len;
        if (!space) keep = i;
    }
    return t.substr(0, keep);
}

Text toText(int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
    return buf;
}

Text toText(int64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    return buf;
}

double integerPart(double v) {
    const double nearest = std::nearbyint(v);
    if (std::fabs(v - nearest) <= 1e-12) return nearest;
    return std::floor(v);
}

Text fromBlock(const void* data, size_t size) {
    if (data == nullptr || size == 0) return {};
    const char* p = static_cast<const char*>(data);
    const void* zero = std::memchr(p, 0, size);
    return Text(p, zero ? static_cast<const char*>(zero) - p : size);
}

// ---- Dates ---------------------------------------------------------------------
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// The range of date values: 0100-01-01 00:00 to 9999-12-31 23:59:59.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.99999;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool isLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days from 0001-01-01 to the first day of year y (proleptic Gregorian).
int64_t daysBeforeYear(int64_t y) {
    const int64_t p = y - 1;
    return p * 365 + floorDiv(p, 4) - floorDiv(p, 100) + floorDiv(p, 400);
}

constexpr int kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

int64_t daysBeforeMonth(int64_t y, int m) {
    return kDaysBeforeMonth[m - 1] + (m > 2 && isLeapYear(y) ? 1 : 0);
}

// Days from 0001-01-01 to y-m-d; month out of 1..12 rolls into other years,
// day 0 is the last day of the month before.
int64_t serialDay(int64_t y, int64_t m, int64_t d) {
    y += floorDiv(m - 1, 12);
    m -= floorDiv(m - 1, 12) * 12;
    return daysBeforeYear(y) + daysBeforeMonth(y, static_cast<int>(m)) + d - 1;
}

const int64_t kEpoch = serialDay(1899, 12, 30);

}  // namespace

double dateFromParts(const DateParts& p) {
    const double day = static_cast<double>(serialDay(p.year, p.month, p.day) - kEpoch);
    const double time =
        static_cast<double>(int64_t{p.hour} * 3600 + int64_t{p.minute} * 60 + p.second) / kSecondsPerDay;
    return day >= 0 ? day + time : day - time;
}

DateParts partsOfDate(double date) {
    if (!std::isfinite(date)) date = kNoDate;
    date = std::min(std::max(date, kFirstDate), kLastDate);
    const double whole = std::trunc(date);
    int64_t seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
    int64_t serial = static_cast<int64_t>(whole) + kEpoch;
    if (seconds >= kSecondsPerDay) {  // rounded up to the next midnight
        seconds -= kSecondsPerDay;
        ++serial;
    }
    int64_t y = serial * 400 / 146097 + 1;  // a guess within a year of the truth
    while (daysBeforeYear(y) > serial) --y;
    while (daysBeforeYear(y + 1) <= serial) ++y;
    const int64_t dayOfYear = serial - daysBeforeYear(y);
    int m = 12;
    while (m > 1 && daysBeforeMonth(y, m) > dayOfYear) --m;
    DateParts parts{};
    parts.year = static_cast<int>(y);
    parts.month = m;
    parts.day = static_cast<int>(dayOfYear - daysBeforeMonth(y, m)) + 1;
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    return parts;
}

}  // namespace trivex::text
