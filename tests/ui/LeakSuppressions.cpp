// The window tests start the platform's font library, which keeps its caches for the
// life of the process and does not free them at exit; the leak checker of sanitizer
// builds would report them as ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
