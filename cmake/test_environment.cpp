// Linked into every test program: the sanitizer options and, for window tests, the offscreen
// platform, set here because CTest properties of discovered tests cannot carry a list.
#include <cstdlib>

extern "C" const char* __asan_default_options() { return "detect_leaks=1"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }

#ifdef QG_TEST_QT
namespace {
// Before main, so a QApplication built anywhere in the test sees it; a value the caller set wins.
const int kOffscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 0), 0);
}  // namespace
#endif
