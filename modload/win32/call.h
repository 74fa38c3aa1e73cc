// Calling a function by its address with up to fifteen 32-bit arguments.
//
// The facility keeps its own frame: after the call the stack pointer is put
// back from that frame, so a callee that removes more or fewer argument
// bytes than were pushed (a stdcall function declared with the wrong
// argument count, a cdecl function called as stdcall) leaves the caller
// intact. With the frame restored, the two conventions end the same way.
#pragma once

#include <cstdint>

namespace trivex::modload {

inline constexpr int kCallSlots = 15;

struct CallSlot {
    uint32_t value = 0;
    bool present = false;
};

// Calls `function` with the values of the present slots as its first,
// second, ... arguments (slot order) and stores its 32-bit result.
// `callerRemoves` names the convention (cdecl when set, stdcall otherwise).
// Always true.
bool callEntry(uint32_t function, bool callerRemoves, uint32_t& result, const CallSlot (&slots)[kCallSlots]);

// The same with the arguments already in order.
uint32_t callWithArgs(uint32_t function, const uint32_t* args, int count);

}  // namespace trivex::modload
