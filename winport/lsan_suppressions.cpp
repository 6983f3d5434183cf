// Leaks the checker may let through, in every program that links winport.
// Third-party state kept for the life of the process, behind pointers the leak
// checker cannot follow: fontconfig's configuration and the patterns cairo
// duplicates for the fallback font, and the D-Bus connection SDL opens. Only
// allocations made inside those libraries are let through.
#if defined(__SANITIZE_ADDRESS__)
#define WINPORT_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WINPORT_LSAN 1
#endif
#endif

#ifdef WINPORT_LSAN
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
#endif
