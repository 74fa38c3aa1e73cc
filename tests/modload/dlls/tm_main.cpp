// The main library of the loader tests: linked for base 0x10000000, with
// absolute addresses in its data (relocations), imports from the system by
// name and from tm_base by name and by ordinal, and an entry point that
// reports every call to tm_base.
#include <windows.h>

extern "C" {
int __stdcall base_add(int a, int b);
int base_twice(int a);
void __stdcall note_reason(int reason);

int counter = 5;
int* counter_ptr = &counter;
const char* names[2] = {"alpha", "beta"};
int zeroed[64];

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    note_reason(static_cast<int>(reason));
    return TRUE;
}

// x + 2x + strlen("beta"): every import and a relocated pointer in one value.
int use_imports(int x) { return base_add(x, base_twice(x)) + lstrlenA(names[1]); }
int bump(void) { return ++*counter_ptr; }
int* counter_address(void) { return counter_ptr; }
const char* name_at(int i) { return names[i & 1]; }
int CaseTest(void) { return 1; }
}
