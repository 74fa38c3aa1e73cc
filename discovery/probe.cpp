#include "discovery/probe.h"

#include "payloads/store.h"
#include "payloads/targets.h"
#include "platform/text.h"

namespace trivex {

namespace {
constexpr size_t kCountAt = 18;  // position 19, counted from 1

bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

Text partitionCountOf(const Text& output) {
    if (output.size() <= kCountAt) return Text();
    size_t end = kCountAt;
    while (end < output.size() && isDigit(output[end])) ++end;
    if (end == kCountAt) return text::trimTrailing(output.substr(kCountAt, 1));
    return output.substr(kCountAt, end - kCountAt);
}

// The write is not checked on its own: without a script the command does
// not start, the output is empty, and start-up reports the empty count.
Text probePartitionCount(Machine& p) {
    (void)payloads::writePayload(p, payloads::kProbeScriptTarget, payloads::Payload::ProbeScript);
    return partitionCountOf(p.runAndCapture(payloads::kProbeScriptTarget));
}

}  // namespace trivex
