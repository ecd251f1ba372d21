// The platform's font library keeps its caches until the process ends; the leak checker
// of sanitizer builds would report them as the window tests' own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
