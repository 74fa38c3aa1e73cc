#include "job/tokens.h"

#include <algorithm>

#include "payloads/store.h"

namespace trivex::job {

std::vector<Text> keptTokens(Machine& p) {
    Text kept;
    std::vector<Text> out;
    if (!p.readSetting(kTokensSetting, kept)) return out;
    // Separated by spaces; anything that is not a token is passed over.
    size_t at = 0;
    while (at < kept.size()) {
        size_t end = kept.find(' ', at);
        if (end == Text::npos) end = kept.size();
        const Text token = kept.substr(at, end - at);
        if (payloads::isToken(token)) out.push_back(token);
        at = end + 1;
    }
    return out;
}

Result keepToken(Machine& p, const Text& token) {
    if (!payloads::isToken(token)) return Problem{Code::KeepTokenFailed};
    std::vector<Text> kept = keptTokens(p);
    kept.erase(std::remove(kept.begin(), kept.end(), token), kept.end());
    kept.push_back(token);
    if (kept.size() > kTokensKept) kept.erase(kept.begin(), kept.end() - kTokensKept);
    Text value;
    for (const Text& t : kept) value += (value.empty() ? "" : " ") + t;
    if (const SysResult r = p.writeSetting(kTokensSetting, value); !r) return stepFailed(Code::KeepTokenFailed, {}, r);
    return {};
}

}  // namespace trivex::job
