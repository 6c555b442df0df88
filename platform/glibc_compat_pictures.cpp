// Old-firmware compatibility of the shell's own library (korvo_lib) and of
// what it links in from static archives for its image viewer (libjpeg,
// libpng): linked, beside glibc_compat.cpp, into the ARM programs that hold
// the shell, so the installer and the uninstaller need no libm.
#include <cstdarg>

#if !defined(__GLIBC__) || !defined(__arm__)
#error "glibc_compat_pictures.cpp is for ARM programs built against glibc"
#endif

#define KORVO_INSIDE __attribute__((visibility("hidden")))

extern "C" {

// libjpeg and libpng come from their static archives (see CMakeLists.txt) and
// bring calls of their own: the fortified longjmp of their error exits, and
// pow (libpng's gamma tables). __longjmp_chk only adds a stack check to the
// longjmp that every version has; pow@GLIBC_2.29 only dropped the old error
// handling. fcntl64 is what the shell's own fcntl calls become with 64-bit
// file offsets since 2.28; the ARM port's fcntl already took the 64-bit
// locking commands.
struct __jmp_buf_tag;
[[noreturn]] void korvo_longjmp_2_4(struct __jmp_buf_tag* env, int value);
__asm__(".symver korvo_longjmp_2_4,longjmp@GLIBC_2.4");

[[noreturn]] KORVO_INSIDE void __longjmp_chk(struct __jmp_buf_tag* env, int value)
{
    korvo_longjmp_2_4(env, value);
}

double korvo_pow_2_4(double x, double y);
__asm__(".symver korvo_pow_2_4,pow@GLIBC_2.4");

// Named pow by its assembler label: the compiler knows pow as a builtin.
KORVO_INSIDE double korvo_pow(double x, double y) __asm__("pow");
double korvo_pow(double x, double y)
{
    return korvo_pow_2_4(x, y);
}

int korvo_fcntl_2_4(int fd, int command, ...);
__asm__(".symver korvo_fcntl_2_4,fcntl@GLIBC_2.4");

KORVO_INSIDE int fcntl64(int fd, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);   // an int or a pointer: one word on ARM
    va_end(arguments);
    return korvo_fcntl_2_4(fd, command, argument);
}

}  // extern "C"
