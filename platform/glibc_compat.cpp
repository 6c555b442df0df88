// Old-firmware compatibility of the ARM programs built with a current C
// library (Debian's armel glibc). Linked into every program for the console
// when the target's glibc is 2.34 or newer (see korvo_glibc_compat in the
// top-level CMakeLists.txt).
//
// A program linked against a new glibc asks the console's C library for the
// newest version of each function it calls: the start-up code for
// __libc_start_main of 2.34, stat and lstat for 2.33, the C++ runtime for
// arc4random (2.36), getentropy (2.25) and __libc_single_threaded (2.32).
// The console's firmware is far older and would refuse to load it. The
// definitions below take those names inside the program and reach the C
// library only through entry points that the ARM port has had since its
// first release (GLIBC_2.4), or through the kernel directly.
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#if !defined(__GLIBC__) || !defined(__arm__)
#error "glibc_compat.cpp is for ARM programs built against glibc"
#endif

// Each definition stays inside the program (hidden): exported, it would be
// found first by the loader's own look-ups of the versioned names below and
// call itself.
#define KORVO_INSIDE __attribute__((visibility("hidden")))

extern "C" {

// --- start-up -------------------------------------------------------------
// The start files of glibc 2.34 and later call __libc_start_main@GLIBC_2.34
// with no init function, leaving the program's constructors to that version.
// The old entry point runs the init function it is given, on old and new C
// libraries alike; so the constructors are run here, as the old start files'
// init function did (the loader runs DT_PREINIT_ARRAY itself).
using MainFunction = int (*)(int, char**, char**);
using InitFunction = void (*)(int, char**, char**);
int korvo_libc_start_main_2_4(MainFunction main, int argc, char** argv, void (*init)(),
                              void (*fini)(), void (*rtld_fini)(), void* stack_end);
__asm__(".symver korvo_libc_start_main_2_4,__libc_start_main@GLIBC_2.4");

extern InitFunction __init_array_start[] __attribute__((visibility("hidden")));
extern InitFunction __init_array_end[] __attribute__((visibility("hidden")));
void _init();

static void run_constructors(int argc, char** argv, char** envp)
{
    _init();
    const size_t count = static_cast<size_t>(__init_array_end - __init_array_start);
    for (size_t i = 0; i < count; ++i)
        __init_array_start[i](argc, argv, envp);
}

KORVO_INSIDE int __libc_start_main(MainFunction main, int argc, char** argv, void (*)(), void (*)(),
                      void (*rtld_fini)(), void* stack_end)
{
    // The destructors need no help: the loader runs the program's
    // DT_FINI_ARRAY at exit in every version.
    return korvo_libc_start_main_2_4(main, argc, argv, reinterpret_cast<void (*)()>(run_constructors),
                                     nullptr, rtld_fini, stack_end);
}

// --- stat family ------------------------------------------------------------
// Before 2.33 these were inline wrappers of the __xstat family, which glibc
// still exports. 3 is the ARM port's stat layout version (_STAT_VER_LINUX).
// Weak: the test program's counting stand-ins for stat and lstat take their
// place there.
constexpr int kStatVersion = 3;
int __xstat64(int version, const char* path, struct stat64* buffer);
int __lxstat64(int version, const char* path, struct stat64* buffer);
int __fxstat64(int version, int fd, struct stat64* buffer);

__attribute__((weak)) KORVO_INSIDE int stat64(const char* path, struct stat64* buffer)
{
    return __xstat64(kStatVersion, path, buffer);
}

__attribute__((weak)) KORVO_INSIDE int lstat64(const char* path, struct stat64* buffer)
{
    return __lxstat64(kStatVersion, path, buffer);
}

KORVO_INSIDE int fstat64(int fd, struct stat64* buffer)
{
    return __fxstat64(kStatVersion, fd, buffer);
}

// --- clock_settime ------------------------------------------------------------
// Moved from librt into libc in 2.17; the kernel call is the same everywhere.
KORVO_INSIDE int clock_settime(clockid_t clock, const struct timespec* value)
{
    return static_cast<int>(syscall(SYS_clock_settime, clock, value));
}

// --- sscanf ---------------------------------------------------------------------
// The C99 variant (2.7) differs from the original only in GNU's "%a" and
// "%as" conversions, which Korvo's formats never use.
int korvo_vsscanf_2_4(const char* text, const char* format, va_list arguments);
__asm__(".symver korvo_vsscanf_2_4,vsscanf@GLIBC_2.4");

KORVO_INSIDE int __isoc99_sscanf(const char* text, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = korvo_vsscanf_2_4(text, format, arguments);
    va_end(arguments);
    return result;
}

// --- the C++ runtime's needs --------------------------------------------------
// 0 means "maybe threaded": the runtime then always takes its atomic paths,
// which is right whatever the program does.
KORVO_INSIDE char __libc_single_threaded = 0;

// std::random_device's source: the kernel's random device, read whole.
KORVO_INSIDE int getentropy(void* buffer, size_t length)
{
    if (length > 256) {
        errno = EIO;
        return -1;
    }
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t got = read(fd, bytes + done, length - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            close(fd);
            errno = EIO;
            return -1;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    return 0;
}

KORVO_INSIDE uint32_t arc4random()
{
    uint32_t value = 0;
    if (getentropy(&value, sizeof value) != 0) {
        // No random device: a clock-seeded value is better than none.
        struct timespec now {};
        syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &now);
        value = static_cast<uint32_t>(now.tv_nsec) * 2654435761u ^ static_cast<uint32_t>(now.tv_sec);
    }
    return value;
}

}  // extern "C"
