/* A program that would not load on Windows XP: it imports a function that
   came with Vista and one from a DLL outside the allowed set, and its header
   asks for Windows 6.0. The import check must refuse it. */
#include <winsock2.h>
#include <windows.h>

__declspec(dllimport) ULONGLONG WINAPI GetTickCount64(void);

int main(void) {
    return (int)(GetTickCount64() & 1) + WSACleanup();
}
