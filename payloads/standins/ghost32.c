/* Stand-in for Ghost32 (E:\Ghost32.exe) in builds made without it.
 *
 * A Windows console program: says that it is a stand-in, prints the command
 * line it was started with and ends with exit code 1 (nothing was backed up
 * or restored). When it has a console of its own it waits up to ten seconds
 * for a key so the text can be read. */
#include <windows.h>
#include <string.h>

static void put(HANDLE out, const char* text)
{
    DWORD written = 0;
    WriteFile(out, text, (DWORD)strlen(text), &written, NULL);
}

int main(void)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;

    put(out, "Ghost32 stand-in (Trivex demo build): Symantec Ghost32 was not\r\n"
             "included in this build. Nothing is backed up or restored.\r\n"
             "Command line: ");
    put(out, GetCommandLineA());
    put(out, "\r\n");

    if (in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode)) {
        put(out, "\r\nPress any key to close this window.\r\n");
        FlushConsoleInputBuffer(in);
        SetConsoleMode(in, 0);
        if (WaitForSingleObject(in, 10000) == WAIT_OBJECT_0)
            FlushConsoleInputBuffer(in);
    }
    return 1;
}
