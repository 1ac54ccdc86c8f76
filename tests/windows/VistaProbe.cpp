// Calls a function Windows XP lacks and imports WinHTTP, so that the import check has both to refuse.
#include <windows.h>
#include <winhttp.h>

int main() { return int(GetTickCount64() & 1) + int(WinHttpCheckPlatform()); }
