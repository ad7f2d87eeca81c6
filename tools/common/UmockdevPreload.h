#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

// A umockdev testbed only works in a process that runs under umockdev's
// preload library. Call first thing in main(): when the library is missing,
// the program starts over with it in place (and with AddressSanitizer told
// not to insist on coming first).
inline void mlReexecUnderUmockdevPreload(char **argv)
{
    const char *preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, "libumockdev-preload"))
        return;
    std::string value = "libumockdev-preload.so.0";
    if (preload && *preload)
        value += std::string(":") + preload;
    setenv("LD_PRELOAD", value.c_str(), 1);
    std::string asan = "verify_asan_link_order=0";
    if (const char *old = std::getenv("ASAN_OPTIONS"); old && *old)
        asan = std::string(old) + ":" + asan;
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("cannot restart under umockdev's preload library");
    std::exit(1);
}
