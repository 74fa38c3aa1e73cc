#include "discovery/probe.h"

#include "app/app.h"
#include "app/lifecycle.h"
#include "payloads/store.h"
#include "platform/text.h"

namespace trivex {

namespace {
constexpr int64_t kCountPosition = 19;
}  // namespace

Text partitionCountOf(const Text& output) {
    return text::trimTrailing(text::mid(output, kCountPosition, 1));
}

// The write is not checked on its own: without a script the command does
// not start, the output is empty, and start-up reports the empty count.
void probePartitionCount(App& app) {
    Platform& p = app.platform;
    payloads::writePayload(p, kProbeScriptPath, payloads::Payload::ProbeScript);
    app.state.partitionCount = partitionCountOf(p.runAndCapture(kProbeScriptPath));
}

}  // namespace trivex
