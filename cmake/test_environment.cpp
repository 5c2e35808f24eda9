// Linked into every test program: the sanitizer options and, for window tests, the offscreen
// platform, set here because CTest properties of discovered tests cannot carry a list.
#include <cstdlib>

extern "C" const char* __asan_default_options() { return "detect_leaks=1"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }

#ifdef QG_TEST_QT
// Fontconfig keeps its cache for the life of the process, and Qt's core leaves a few objects of
// its own threads behind at exit now and then; neither is ours to mend, and without this the
// window tests would fail at random.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libQt6Core.so\n";
}

namespace {
// Before main, so a QApplication built anywhere in the test sees it; a value the caller set wins.
const int kOffscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 0), 0);
}  // namespace
#endif
