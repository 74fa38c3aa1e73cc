#include "tests/support/paths.h"

#include <cstring>

namespace trivex::sim {
namespace {

// The characters of a text, each one or two bytes.
std::vector<Text> charsOf(const Text& t) {
    std::vector<Text> out;
    for (size_t i = 0; i < t.size();) {
        const size_t len = static_cast<unsigned char>(t[i]) >= 0x80 && i + 1 < t.size() ? 2 : 1;
        out.push_back(t.substr(i, len));
        i += len;
    }
    return out;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool refusedInName(const Text& ch, bool wildcards) {
    if (ch.size() != 1) return false;
    const unsigned char c = static_cast<unsigned char>(ch[0]);
    if (c < 32) return true;
    if (std::strchr("<>:\"|", c)) return true;
    return !wildcards && (c == '?' || c == '*');
}

// Splits at backslashes that start a character.
std::vector<Text> splitParts(const Text& t) {
    std::vector<Text> parts(1);
    for (const Text& ch : charsOf(t)) {
        if (ch == "\\") parts.emplace_back();
        else parts.back() += ch;
    }
    return parts;
}

Text dropTrailingDotsAndSpaces(const Text& name) {
    if (name == "." || name == "..") return name;
    size_t end = name.size();
    // Only single-byte characters end in '.' or ' ' (trail bytes are >= 0x40).
    while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
    return name.substr(0, end);
}

}  // namespace

ResolvedPath resolvePath(const Text& path, const ResolvedPath& current, bool wildcardsInLast) {
    ResolvedPath out;
    if (path.empty()) return out;
    Text p = path;
    for (size_t i = 0; i < p.size(); ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80) {
            ++i;  // skip the trail byte
            continue;
        }
        if (p[i] == '/') p[i] = '\\';
    }
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return out;  // network path

    std::vector<Text> parts;
    Text rest;
    if (p.size() >= 2 && isDriveLetter(p[0]) && p[1] == ':') {
        out.drive = upper(p[0]);
        rest = p.substr(2);  // "X:x" starts at the root of X as well
    } else if (p[0] == '\\') {
        out.drive = current.drive;
        rest = p;
    } else {
        out.drive = current.drive;
        parts = current.parts;
        rest = p;
    }
    if (out.drive == 0) return out;

    const std::vector<Text> raw = splitParts(rest);
    for (size_t i = 0; i < raw.size(); ++i) {
        const bool last = i + 1 == raw.size();
        const bool wild = wildcardsInLast && last && raw[i].find_first_of("*?") != Text::npos;
        const Text name = wild ? raw[i] : dropTrailingDotsAndSpaces(raw[i]);
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        for (const Text& ch : charsOf(name))
            if (refusedInName(ch, wild)) return out;
        parts.push_back(name);
    }
    out.parts = std::move(parts);
    out.valid = true;
    return out;
}

Text toText(const ResolvedPath& p) {
    Text out;
    out += p.drive;
    out += ":\\";
    for (size_t i = 0; i < p.parts.size(); ++i) {
        if (i) out += '\\';
        out += p.parts[i];
    }
    return out;
}

Text foldName(const Text& name) {
    Text out;
    for (const Text& ch : charsOf(name)) out += ch.size() == 1 ? Text(1, upper(ch[0])) : ch;
    return out;
}

bool wildcardMatch(const Text& pattern, const Text& name) {
    const std::vector<Text> pat = charsOf(pattern == "*.*" ? Text("*") : foldName(pattern));
    const std::vector<Text> str = charsOf(foldName(name));
    // Greedy matching with one backtrack point: the last "*" seen.
    size_t pi = 0, si = 0, starP = Text::npos, starS = 0;
    while (si < str.size()) {
        if (pi < pat.size() && (pat[pi] == "?" || pat[pi] == str[si])) {
            ++pi;
            ++si;
        } else if (pi < pat.size() && pat[pi] == "*") {
            starP = pi++;
            starS = si;
        } else if (starP != Text::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < pat.size() && pat[pi] == "*") ++pi;
    return pi == pat.size();
}

namespace {
bool refusedInShortName(const Text& ch) {
    return ch.size() == 1 && std::strchr(" +,;=[].", ch[0]) != nullptr;
}

// At most `limit` bytes of whole characters.
Text takeBytes(const std::vector<Text>& chars, size_t limit) {
    Text out;
    for (const Text& ch : chars) {
        if (out.size() + ch.size() > limit) break;
        out += ch;
    }
    return out;
}
}  // namespace

bool isShortName(const Text& name) {
    if (name.empty() || name == "." || name == "..") return false;
    const size_t dot = name.find('.');  // '.' is never a trail byte
    const Text base = name.substr(0, dot);
    const Text ext = dot == Text::npos ? Text() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != Text::npos && ext.empty()) return false;
    for (const Text& ch : charsOf(base)) if (refusedInShortName(ch)) return false;
    for (const Text& ch : charsOf(ext)) if (refusedInShortName(ch)) return false;
    return true;
}

Text makeShortName(const Text& longName, const std::function<bool(const Text&)>& taken) {
    size_t start = 0;
    while (start < longName.size() && longName[start] == '.') ++start;
    const Text trimmed = longName.substr(start);
    const size_t dot = trimmed.rfind('.');
    const Text longBase = dot == Text::npos ? trimmed : trimmed.substr(0, dot);
    const Text longExt = dot == Text::npos ? Text() : trimmed.substr(dot + 1);

    auto clean = [](const Text& part) {
        std::vector<Text> chars;
        for (const Text& ch : charsOf(foldName(part))) {
            if (ch == " " || ch == ".") continue;
            chars.push_back(refusedInShortName(ch) ? Text("_") : ch);
        }
        return chars;
    };
    std::vector<Text> base = clean(longBase);
    if (base.empty()) base.push_back("_");
    const Text ext = takeBytes(clean(longExt), 3);

    for (int n = 1; n < 1000000; ++n) {
        const Text tail = "~" + std::to_string(n);
        Text candidate = takeBytes(base, 8 - tail.size()) + tail;
        if (!ext.empty()) candidate += "." + ext;
        if (!taken(foldName(candidate))) return candidate;
    }
    return {};
}

}  // namespace trivex::sim
