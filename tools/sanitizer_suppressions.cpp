// Read by LeakSanitizer in the sanitizer build of tarno-score (Linux only). fontconfig keeps
// the font patterns pango and cairo matched for the certificates in caches of its own until
// the process ends: a fixed amount, the same after one certificate as after thousands.

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
