// A library for the loader tests: plain exports, one export reachable only
// by ordinal, functions with up to fifteen arguments in both conventions,
// two functions that remove the wrong number of argument bytes, and
// counters of the process-attach/detach notes that other test libraries
// send it from their entry points.
#include <windows.h>

static int g_reasons[4];

extern "C" {

int __stdcall base_add(int a, int b) { return a + b; }
int base_twice(int a) { return 2 * a; }  // exported by ordinal only

void __stdcall note_reason(int reason) {
    if (reason >= 0 && reason < 4) ++g_reasons[reason];
}
int reason_count(int reason) { return reason >= 0 && reason < 4 ? g_reasons[reason] : -1; }

// Sum of i * argument i: tells whether every argument arrived in its place.
int sum15(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10, int a11, int a12,
          int a13, int a14, int a15) {
    return a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 +
           12 * a12 + 13 * a13 + 14 * a14 + 15 * a15;
}
int __stdcall std_sum15(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10,
                        int a11, int a12, int a13, int a14, int a15) {
    return sum15(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15);
}
int __stdcall std_sub(int a, int b) { return a - b; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"

// pops_too_much(x): returns x + 1 and removes 16 argument bytes, whatever
// was pushed. pops_nothing(x, ...): returns x and removes none.
asm(R"(
    .text
    .globl _pops_too_much
_pops_too_much:
    movl 4(%esp), %eax
    addl $1, %eax
    ret $16
    .globl _pops_nothing
_pops_nothing:
    movl 4(%esp), %eax
    ret
)");
