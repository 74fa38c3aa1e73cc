// A library without an entry point (linked with entry 0) and a library
// whose entry point refuses process attach (built with TM_REFUSE).
#include <windows.h>

extern "C" {
int value = 42;
int* value_ptr = &value;
int answer(void) { return *value_ptr; }

#ifdef TM_REFUSE
void __stdcall note_reason(int reason);
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    note_reason(static_cast<int>(reason));
    return reason != DLL_PROCESS_ATTACH;
}
#endif
#ifdef TM_MISSING
void no_such_function(void);
void call_missing(void) { no_such_function(); }
#endif
}
