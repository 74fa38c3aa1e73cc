// findstr.exe for tests: the part of findstr that the partition-count probe
// uses. Prints the lines of standard input that contain a match of the
// pattern given with /c:"..." (a literal text, or with /r a regular
// expression: ".", "*" after a character or class, "[...]" with ranges and
// "^" negation, "^" and "$" anchors, "\" escapes). /i ignores ASCII letter
// case. Bytes are compared as they are, so GBK texts match themselves.
#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool ignoreCase = false;

bool sameChar(unsigned char a, unsigned char b) {
    return ignoreCase ? std::tolower(a) == std::tolower(b) : a == b;
}

// One element of the expression at `p`: how long it is and whether it matches `c`.
size_t element(const std::string& re, size_t p, unsigned char c, bool& matches) {
    if (re[p] == '.') {
        matches = true;
        return 1;
    }
    if (re[p] == '\\' && p + 1 < re.size()) {
        matches = sameChar(static_cast<unsigned char>(re[p + 1]), c);
        return 2;
    }
    if (re[p] == '[') {
        size_t q = p + 1;
        bool negate = q < re.size() && re[q] == '^';
        if (negate) ++q;
        bool in = false;
        while (q < re.size() && re[q] != ']') {
            unsigned char lo = static_cast<unsigned char>(re[q]), hi = lo;
            if (q + 2 < re.size() && re[q + 1] == '-' && re[q + 2] != ']') {
                hi = static_cast<unsigned char>(re[q + 2]);
                q += 3;
            } else {
                ++q;
            }
            if (c >= lo && c <= hi) in = true;
            if (ignoreCase && std::isalpha(c)) {
                unsigned char o = static_cast<unsigned char>(std::isupper(c) ? std::tolower(c) : std::toupper(c));
                if (o >= lo && o <= hi) in = true;
            }
        }
        matches = in != negate;
        return q + 1 - p;
    }
    matches = sameChar(static_cast<unsigned char>(re[p]), c);
    return 1;
}

bool matchHere(const std::string& re, size_t p, const std::string& s, size_t i) {
    if (p == re.size()) return true;
    if (re[p] == '$' && p + 1 == re.size()) return i == s.size();
    bool m = false;
    const size_t len = element(re, p, i < s.size() ? static_cast<unsigned char>(s[i]) : 0, m);
    if (p + len < re.size() && re[p + len] == '*') {
        size_t j = i;
        for (;;) {
            if (matchHere(re, p + len + 1, s, j)) return true;
            if (j >= s.size()) return false;
            bool mj = false;
            element(re, p, static_cast<unsigned char>(s[j]), mj);
            if (!mj) return false;
            ++j;
        }
    }
    return i < s.size() && m && matchHere(re, p + len, s, i + 1);
}

bool matches(const std::string& pattern, bool regex, const std::string& line) {
    if (!regex) {
        for (size_t i = 0; i + pattern.size() <= line.size(); ++i) {
            size_t k = 0;
            while (k < pattern.size() && sameChar(static_cast<unsigned char>(pattern[k]),
                                                  static_cast<unsigned char>(line[i + k]))) ++k;
            if (k == pattern.size()) return true;
        }
        return false;
    }
    if (!pattern.empty() && pattern[0] == '^') return matchHere(pattern, 1, line, 0);
    for (size_t i = 0; i <= line.size(); ++i)
        if (matchHere(pattern, 0, line, i)) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Line ends are written as they are, CR LF, like the real tool.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    bool regex = false;
    std::string pattern;
    bool have = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.size() >= 2 && (a[0] == '/' || a[0] == '-')) {
            const char o = static_cast<char>(std::tolower(static_cast<unsigned char>(a[1])));
            if (o == 'r') regex = true;
            else if (o == 'l') regex = false;
            else if (o == 'i') ignoreCase = true;
            else if (o == 'c' && a.size() >= 3 && a[2] == ':') {
                pattern = a.substr(3);
                have = true;
            }
        } else if (!have) {
            pattern = a;
            have = true;
        }
    }
    if (!have) {
        std::fprintf(stderr, "findstr: no search text\n");
        return 2;
    }
    int found = 0;
    std::string line;
    int c;
    auto flush = [&](bool end) {
        std::string body = line;
        if (!body.empty() && body.back() == '\n') body.pop_back();
        if (!body.empty() && body.back() == '\r') body.pop_back();
        if (matches(pattern, regex, body)) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            if (end && (line.empty() || line.back() != '\n')) std::fputs("\r\n", stdout);
            ++found;
        }
        line.clear();
    };
    while ((c = std::getchar()) != EOF) {
        line += static_cast<char>(c);
        if (c == '\n') flush(false);
    }
    if (!line.empty()) flush(true);
    return found ? 0 : 1;
}
