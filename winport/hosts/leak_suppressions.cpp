// Leaks the leak checker may let through in programs on the SDL host: the
// D-Bus connection SDL opens and keeps for the life of the process, behind
// pointers the checker cannot follow. Only allocations made inside that
// library are let through. The checker looks this hook up when it is there;
// without a sanitizer nothing calls it. Compiled into each program (not a
// library member) so the linker cannot leave it out.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
