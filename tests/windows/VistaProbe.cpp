// Calls a function Windows XP lacks, so that the import check has something to refuse.
#include <windows.h>

int main() { return int(GetTickCount64() & 1); }
