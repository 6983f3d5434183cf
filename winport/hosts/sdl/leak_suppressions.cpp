// Leaks the leak checker may let through in programs on the SDL host: the
// D-Bus connection SDL opens and keeps for the life of the process, behind
// pointers the checker cannot follow. Only allocations made inside that
// library are let through. Compiled into each program (not a library member)
// so the linker cannot leave it out.
#if defined(__SANITIZE_ADDRESS__)
#define WINPORT_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WINPORT_LSAN 1
#endif
#endif

#ifdef WINPORT_LSAN
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif
