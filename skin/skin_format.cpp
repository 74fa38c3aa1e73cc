#include "skin/skin_format.h"

namespace trivex::skin {

namespace {

struct Key {
    const char* name;
    uint32_t Colors::*field;
};

constexpr Key kKeys[] = {
    {"window", &Colors::window},
    {"text", &Colors::text},
    {"field", &Colors::field},
    {"field-text", &Colors::fieldText},
    {"button", &Colors::button},
    {"button-text", &Colors::buttonText},
    {"button-pressed", &Colors::buttonPressed},
    {"button-border", &Colors::buttonBorder},
    {"disabled-text", &Colors::disabledText},
    {"status", &Colors::status},
};
constexpr int kKeyCount = sizeof kKeys / sizeof kKeys[0];

constexpr char kHeader[] = "trivex-skin 1";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// [b, e) equals the zero-terminated `s`.
bool equals(const char* b, const char* e, const char* s) {
    for (; b < e; ++b, ++s)
        if (*s == '\0' || *b != *s) return false;
    return *s == '\0';
}

// One line without its end: blank/comment (true, nothing set), header, or
// a colour. False when the line is wrong.
bool parseLine(const char* b, const char* e, bool& header, Colors& out, uint32_t& seen) {
    while (b < e && isSpace(*b)) ++b;
    while (e > b && isSpace(e[-1])) --e;
    if (b == e || *b == ';' || *b == '#') return true;
    if (!header) {
        header = equals(b, e, kHeader);
        return header;
    }
    const char* k = b;
    while (b < e && *b != '=' && !isSpace(*b)) ++b;
    const char* kEnd = b;
    while (b < e && isSpace(*b)) ++b;
    if (b == e || *b != '=') return false;
    ++b;
    while (b < e && isSpace(*b)) ++b;
    if (e - b < 6) return false;
    uint32_t value = 0;
    for (int i = 0; i < 6; ++i) {
        const int d = hexDigit(b[i]);
        if (d < 0) return false;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    b += 6;
    while (b < e && isSpace(*b)) ++b;
    if (b != e && *b != ';') return false;
    for (int i = 0; i < kKeyCount; ++i) {
        if (!equals(k, kEnd, kKeys[i].name)) continue;
        if (seen & (1u << i)) return false;
        seen |= 1u << i;
        out.*kKeys[i].field = value;
        return true;
    }
    return false;
}

}  // namespace

bool parseSkin(const char* data, uint32_t size, Colors& out) {
    if (data == nullptr || size == 0 || size > kMaxSkinSize) return false;
    bool header = false;
    uint32_t seen = 0;
    const char* end = data + size;
    for (const char* line = data; line < end;) {
        const char* eol = line;
        while (eol < end && *eol != '\n') {
            if (*eol == '\0') return false;
            ++eol;
        }
        if (!parseLine(line, eol, header, out, seen)) return false;
        line = eol + 1;
    }
    return header && seen == (1u << kKeyCount) - 1;
}

}  // namespace trivex::skin
