// The entry of every program of the Wiz build and the few C library names
// that current headers ask for and the firmware's glibc 2.3.6 lacks. Linked
// into each program (korvo_wiz_program in CMakeLists.txt), which is linked
// with no start files of the compiler's own: those are built for the EABI
// and for a newer C library.
// The names below are given as assembler labels, so no header's declaration
// of them is needed or in the way.
#include <cstdarg>
#include <cstddef>

#if !defined(__arm__) || defined(__ARM_EABI__)
#error "wiz_runtime.cpp is for the legacy-ABI ARM programs of the Wiz build"
#endif

extern "C" {

// Defined here, used only here: nothing of it is exported.
#define KORVO_INSIDE __attribute__((visibility("hidden")))

using InitFunction = void (*)(int, char**, char**);
using FiniFunction = void (*)();
extern InitFunction __init_array_start[] KORVO_INSIDE;
extern InitFunction __init_array_end[] KORVO_INSIDE;
extern FiniFunction __fini_array_start[] KORVO_INSIDE;
extern FiniFunction __fini_array_end[] KORVO_INSIDE;

int main(int, char**, char**);
int __libc_start_main(int (*main)(int, char**, char**), int argc, char** argv, void (*init)(int, char**, char**),
                      void (*fini)(), void (*rtld_fini)(), void* stack_end);

// --- start-up -----------------------------------------------------------------
// The C library runs the init function it is handed before main and
// registers the fini function for exit; the loader runs neither list of the
// program itself (only those of the libraries).
KORVO_INSIDE void korvo_run_init_array(int argc, char** argv, char** envp)
{
    const size_t count = static_cast<size_t>(__init_array_end - __init_array_start);
    for (size_t i = 0; i < count; ++i)
        __init_array_start[i](argc, argv, envp);
}

KORVO_INSIDE void korvo_run_fini_array()
{
    size_t count = static_cast<size_t>(__fini_array_end - __fini_array_start);
    while (count-- > 0)
        __fini_array_start[count]();
}

// The program entry the loader jumps to: r0 holds the loader's own exit
// function, the stack argc, the arguments and the environment. The legacy
// calling convention passes __libc_start_main's fifth to seventh arguments
// on the stack: the fini function, the loader's, and the stack's end.
__asm__(
    "    .text\n"
    "    .align 2\n"
    "    .globl _start\n"
    "    .type _start, %function\n"
    "_start:\n"
    "    mov fp, #0\n"
    "    mov lr, #0\n"
    "    ldr r1, [sp], #4\n"          // argc
    "    mov r2, sp\n"                // argv
    "    str r2, [sp, #-4]!\n"        // stack_end
    "    str r0, [sp, #-4]!\n"        // rtld_fini
    "    ldr ip, =korvo_run_fini_array\n"
    "    str ip, [sp, #-4]!\n"        // fini
    "    ldr r0, =main\n"
    "    ldr r3, =korvo_run_init_array\n"
    "    bl __libc_start_main\n"
    "    bl abort\n"
    "    .size _start, . - _start\n"
    "    .ltorg\n");

// What the compiler's start files would give: the handle that
// __cxa_atexit registrations name the program by (0: the program itself,
// not a library), and atexit, which the C library keeps in the archive
// every program used to link in.
KORVO_INSIDE void* __dso_handle = nullptr;

int __cxa_atexit(void (*function)(void*), void* argument, void* dso);
KORVO_INSIDE int korvo_atexit(void (*function)()) __asm__("atexit");

int korvo_atexit(void (*function)())
{
    return __cxa_atexit(reinterpret_cast<void (*)(void*)>(function), nullptr, __dso_handle);
}

// --- the stat family ----------------------------------------------------------
// In glibc 2.3.6 these are inline wrappers of the versioned __xstat calls
// (3 is the ARM port's layout, _STAT_VER_LINUX); headers since 2.33 call
// them by name. The structures, compiled for the legacy ABI, lay out as the
// firmware's do; the definitions take them as they come (the names are given
// as assembler labels, beside the headers' declarations). stat64 and lstat64
// are weak: the test program's counting stand-ins take their place there.
// The runtime's own files ask for the 32-bit names.
constexpr int kStatVersion = 3;
int __xstat(int version, const char* path, void* buffer);
int __lxstat(int version, const char* path, void* buffer);
int __fxstat(int version, int fd, void* buffer);
int __xstat64(int version, const char* path, void* buffer);
int __lxstat64(int version, const char* path, void* buffer);
int __fxstat64(int version, int fd, void* buffer);

__attribute__((weak)) KORVO_INSIDE int korvo_stat64(const char* path, void* buffer) __asm__("stat64");
__attribute__((weak)) KORVO_INSIDE int korvo_lstat64(const char* path, void* buffer) __asm__("lstat64");
KORVO_INSIDE int korvo_fstat64(int fd, void* buffer) __asm__("fstat64");
KORVO_INSIDE int korvo_stat(const char* path, void* buffer) __asm__("stat");
KORVO_INSIDE int korvo_lstat(const char* path, void* buffer) __asm__("lstat");
KORVO_INSIDE int korvo_fstat(int fd, void* buffer) __asm__("fstat");

int korvo_stat64(const char* path, void* buffer)
{
    return __xstat64(kStatVersion, path, buffer);
}

int korvo_lstat64(const char* path, void* buffer)
{
    return __lxstat64(kStatVersion, path, buffer);
}

int korvo_fstat64(int fd, void* buffer)
{
    return __fxstat64(kStatVersion, fd, buffer);
}

int korvo_stat(const char* path, void* buffer)
{
    return __xstat(kStatVersion, path, buffer);
}

int korvo_lstat(const char* path, void* buffer)
{
    return __lxstat(kStatVersion, path, buffer);
}

int korvo_fstat(int fd, void* buffer)
{
    return __fxstat(kStatVersion, fd, buffer);
}

// --- fcntl ----------------------------------------------------------------------
// With 64-bit file offsets, headers since 2.28 name fcntl fcntl64; the ARM
// port's fcntl takes the 64-bit locking commands as they are.
int korvo_fcntl(int fd, int command, ...) __asm__("fcntl");
KORVO_INSIDE int korvo_fcntl64(int fd, int command, ...) __asm__("fcntl64");

int korvo_fcntl64(int fd, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);   // an int or a pointer: one word on ARM
    va_end(arguments);
    return korvo_fcntl(fd, command, argument);
}

// --- scanf ------------------------------------------------------------------------
// The C99 variants (2.7) differ from the originals only in GNU's "%a"
// conversions, which nothing here uses.
int korvo_vsscanf(const char* text, const char* format, va_list arguments) __asm__("vsscanf");
int korvo_vfscanf(void* file, const char* format, va_list arguments) __asm__("vfscanf");
KORVO_INSIDE int korvo_c99_vsscanf(const char* text, const char* format, va_list arguments) __asm__("__isoc99_vsscanf");
KORVO_INSIDE int korvo_c99_sscanf(const char* text, const char* format, ...) __asm__("__isoc99_sscanf");
KORVO_INSIDE int korvo_c99_vfscanf(void* file, const char* format, va_list arguments) __asm__("__isoc99_vfscanf");
KORVO_INSIDE int korvo_c99_fscanf(void* file, const char* format, ...) __asm__("__isoc99_fscanf");

int korvo_c99_vsscanf(const char* text, const char* format, va_list arguments)
{
    return korvo_vsscanf(text, format, arguments);
}

int korvo_c99_sscanf(const char* text, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = korvo_vsscanf(text, format, arguments);
    va_end(arguments);
    return result;
}

int korvo_c99_vfscanf(void* file, const char* format, va_list arguments)
{
    return korvo_vfscanf(file, format, arguments);
}

int korvo_c99_fscanf(void* file, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = korvo_vfscanf(file, format, arguments);
    va_end(arguments);
    return result;
}

extern void* stdin;
KORVO_INSIDE int korvo_c99_vscanf(const char* format, va_list arguments) __asm__("__isoc99_vscanf");
KORVO_INSIDE int korvo_c99_scanf(const char* format, ...) __asm__("__isoc99_scanf");

int korvo_c99_vscanf(const char* format, va_list arguments)
{
    return korvo_vfscanf(stdin, format, arguments);
}

int korvo_c99_scanf(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int result = korvo_vfscanf(stdin, format, arguments);
    va_end(arguments);
    return result;
}

// --- atomic operations -----------------------------------------------------------
// The ARM926 has no exclusive loads and stores: the compiler calls these for
// read-modify-write operations on std::atomic. They are the full-barrier
// __sync operations, which GCC's helpers carry out through the kernel's
// compare-and-swap (the memory order asked for is met by being the
// strongest).
#define KORVO_ATOMIC(type, size)                                                                         \
    KORVO_INSIDE type korvo_fetch_add_##size(volatile void* p, type v, int) __asm__("__atomic_fetch_add_" #size); \
    KORVO_INSIDE type korvo_fetch_sub_##size(volatile void* p, type v, int) __asm__("__atomic_fetch_sub_" #size); \
    KORVO_INSIDE type korvo_add_fetch_##size(volatile void* p, type v, int) __asm__("__atomic_add_fetch_" #size); \
    KORVO_INSIDE type korvo_sub_fetch_##size(volatile void* p, type v, int) __asm__("__atomic_sub_fetch_" #size); \
    KORVO_INSIDE type korvo_fetch_and_##size(volatile void* p, type v, int) __asm__("__atomic_fetch_and_" #size); \
    KORVO_INSIDE type korvo_fetch_or_##size(volatile void* p, type v, int) __asm__("__atomic_fetch_or_" #size);   \
    KORVO_INSIDE type korvo_exchange_##size(volatile void* p, type v, int) __asm__("__atomic_exchange_" #size);   \
    KORVO_INSIDE bool korvo_compare_exchange_##size(volatile void* p, void* expected, type desired, bool, int, int) \
        __asm__("__atomic_compare_exchange_" #size);                                                     \
    type korvo_fetch_add_##size(volatile void* p, type v, int)                                           \
    {                                                                                                    \
        return __sync_fetch_and_add(static_cast<volatile type*>(p), v);                                  \
    }                                                                                                    \
    type korvo_fetch_sub_##size(volatile void* p, type v, int)                                           \
    {                                                                                                    \
        return __sync_fetch_and_sub(static_cast<volatile type*>(p), v);                                  \
    }                                                                                                    \
    type korvo_add_fetch_##size(volatile void* p, type v, int)                                           \
    {                                                                                                    \
        return __sync_add_and_fetch(static_cast<volatile type*>(p), v);                                  \
    }                                                                                                    \
    type korvo_sub_fetch_##size(volatile void* p, type v, int)                                           \
    {                                                                                                    \
        return __sync_sub_and_fetch(static_cast<volatile type*>(p), v);                                  \
    }                                                                                                    \
    type korvo_fetch_and_##size(volatile void* p, type v, int)                                           \
    {                                                                                                    \
        return __sync_fetch_and_and(static_cast<volatile type*>(p), v);                                  \
    }                                                                                                    \
    type korvo_fetch_or_##size(volatile void* p, type v, int)                                            \
    {                                                                                                    \
        return __sync_fetch_and_or(static_cast<volatile type*>(p), v);                                   \
    }                                                                                                    \
    type korvo_exchange_##size(volatile void* p, type v, int)                                            \
    {                                                                                                    \
        volatile type* target = static_cast<volatile type*>(p);                                          \
        type old = *target;                                                                              \
        for (;;) {                                                                                       \
            type seen = __sync_val_compare_and_swap(target, old, v);                                     \
            if (seen == old)                                                                             \
                return old;                                                                              \
            old = seen;                                                                                  \
        }                                                                                                \
    }                                                                                                    \
    bool korvo_compare_exchange_##size(volatile void* p, void* expected, type desired, bool, int, int)   \
    {                                                                                                    \
        type* want = static_cast<type*>(expected);                                                       \
        type seen = __sync_val_compare_and_swap(static_cast<volatile type*>(p), *want, desired);         \
        if (seen == *want)                                                                               \
            return true;                                                                                 \
        *want = seen;                                                                                    \
        return false;                                                                                    \
    }

KORVO_ATOMIC(unsigned char, 1)
KORVO_ATOMIC(unsigned short, 2)
KORVO_ATOMIC(unsigned int, 4)
#undef KORVO_ATOMIC

// --- the C++ runtime's needs --------------------------------------------------
// 0 means "maybe threaded" (SDL starts threads of its own): the runtime then
// always takes its atomic paths, which is right whatever the program does.
KORVO_INSIDE char __libc_single_threaded = 0;

}  // extern "C"
