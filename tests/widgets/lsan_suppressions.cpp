// Fontconfig keeps a cache for the life of the process and never frees it; that is not ours to
// mend, and without this every test that draws text would report it as a leak.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
