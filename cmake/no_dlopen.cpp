// Linked into the fully static program only (see lorvane_link_static). ICU's plugin loader
// calls dlopen, which in a static program would need the shared C library of the build
// machine at run time. The program loads no plugins, so with `--wrap=dlopen` that call
// comes here and fails, as a missing plugin does.
extern "C" void* __wrap_dlopen(const char* /*file*/, int /*mode*/) { return nullptr; }
