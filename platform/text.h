// GBK-aware text and number utilities. Positions are 1-based byte
// positions; a byte with the high bit set leads a two-byte character.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace trivex::text {

// A byte with the high bit set leads a two-byte character; the byte after
// it is its trail, whatever its value.
inline bool isLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

inline int64_t length(const Text& t) { return static_cast<int64_t>(t.size()); }
// The first / last n bytes; the whole text when shorter; empty when n <= 0.
Text left(const Text& t, int64_t n);
Text right(const Text& t, int64_t n);
// Position of the first occurrence at or after `start`, -1 when absent. Never
// matches from a trail byte. Empty `sought`: 1 for a non-empty text, -1 otherwise.
int64_t find(const Text& t, const Text& sought, int64_t start = 1, bool ignoreCase = false);
// Whether two texts are the same but for the letter case of ASCII letters.
bool equalIgnoringCase(const Text& a, const Text& b);
// Position of the last occurrence, -1 when absent (same stepping).
int64_t findBackwards(const Text& t, const Text& sought);
// Without the leading (trailing) run of ASCII spaces and full-width spaces (A1 A1).
Text trimLeading(const Text& t);
Text trimTrailing(const Text& t);

Text toText(int32_t v);    // "%d"
Text toText(int64_t v);    // decimal, all 64 bits
// floor, after snapping to the nearest integer when within 1e-12 of it.
double integerPart(double v);

// Bytes up to the first zero byte (or all of them).
Text fromBlock(const void* data, size_t size);

// Date values: days since 1899-12-30 local time, the time of day as the
// fraction; before 1899-12-30 the fraction still counts forward from
// midnight (-1.25 is 1899-12-29 06:00). Parts are rounded to the second.
struct DateParts { int year, month, day, hour, minute, second; };
double dateFromParts(const DateParts& p);
DateParts partsOfDate(double date);

}  // namespace trivex::text
