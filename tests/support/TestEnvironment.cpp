// Linked into every test program: the environment the tests expect, whatever shell runs them.

// Font libraries keep caches for the life of the process; LeakSanitizer should not count them against
// our code.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\nleak:libdbus\n"; }
