// The generated table behind the payload store (payload_table.cpp, written
// by the build). Not for use outside payloads/.
#pragma once

#include "payloads/store.h"

namespace trivex::payloads::detail {

enum class Origin { Supplied, StandIn, Own };

struct Entry {
    Payload id;
    const char* name;
    const char* target;
    Origin origin;
    const unsigned char* record;  // u32 1, u32 N, N bytes
};

extern const Entry kEntries[kPayloadCount];

}  // namespace trivex::payloads::detail
