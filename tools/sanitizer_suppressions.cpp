// Read by LeakSanitizer in the sanitizer build of tarno-score (Linux only). fontconfig keeps
// the font patterns pango and cairo matched for the certificates in caches of its own until
// the process ends: a fixed amount, the same after one certificate as after thousands. The
// count of what was suppressed is not printed: it depends on whether fontconfig's disk
// cache was there before the run, and the program's output must not.

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
  return "print_suppressions=0";
}
