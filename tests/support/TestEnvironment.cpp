// Linked into every test program: the environment the tests expect, whatever shell runs them.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        // Widgets render without a display; Qt wants a private runtime folder.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("XDG_RUNTIME_DIR", "/tmp/quillmere-xdg", 0);
    }
} const kTestEnvironment;

} // namespace

// Font and windowing libraries keep caches for the life of the process; LeakSanitizer should not
// count them against our code.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libdbus\n";
}
