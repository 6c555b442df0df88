// The test program stands in for IMG_Load, stat and lstat, and for malloc,
// calloc and realloc, counting the calls of the thread that asked for the
// count and passing each on. Under AddressSanitizer, which owns malloc, the
// allocations are counted through its allocation hook instead.
#include "work_counts.h"

#include <SDL.h>
#include <SDL_image.h>
#include <dlfcn.h>
#include <pthread.h>
#include <sys/stat.h>

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own hook (its header is not always installed).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                        void (*free_hook)(const volatile void*));
#define KORVO_COUNT_THROUGH_HOOK 1
#else
#define KORVO_COUNT_THROUGH_HOOK 0
#endif

namespace {

#ifdef KORVO_WIZ_TESTS
// The console's C library has no thread-local storage: the flag remembers
// the thread that set it instead, and counts for that thread alone.
class CountingFlag {
public:
    CountingFlag& operator=(bool on)
    {
        owner_ = pthread_self();
        on_ = on;
        return *this;
    }
    operator bool() const { return on_ && pthread_equal(owner_, pthread_self()); }

private:
    pthread_t owner_{};
    bool on_ = false;
};
CountingFlag counting;
#else
thread_local bool counting = false;
#endif
WorkCounts counted;

template <typename Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using ImgLoad = SDL_Surface* (*)(const char*);
using Stat = int (*)(const char*, struct stat*);

// The picture library must stay a library of the program although the
// program defines IMG_Load itself (the linker drops a library no symbol is
// taken from): it is asked its version, and then its IMG_Load is found.
ImgLoad real_img_load()
{
    static const SDL_version* version = IMG_Linked_Version();
    static ImgLoad real = version ? next<ImgLoad>("IMG_Load") : nullptr;
    return real;
}

// A 32-bit build with 64-bit file offsets calls the C library's stat64 and
// lstat64 under the names stat and lstat: the next ones are looked up by
// the names the calls really bind to.
#if defined(__USE_FILE_OFFSET64) && !defined(__LP64__)
constexpr const char* kStatName = "stat64";
constexpr const char* kLstatName = "lstat64";
#else
constexpr const char* kStatName = "stat";
constexpr const char* kLstatName = "lstat";
#endif

#ifdef KORVO_WIZ_TESTS
// The console's C library has the stat calls only under their versioned
// names (3: the ARM port's layout).
extern "C" int __xstat64(int version, const char* path, struct stat* status);
extern "C" int __lxstat64(int version, const char* path, struct stat* status);

int wiz_stat(const char* path, struct stat* status)
{
    return __xstat64(3, path, status);
}

int wiz_lstat(const char* path, struct stat* status)
{
    return __lxstat64(3, path, status);
}

Stat real_stat()
{
    return wiz_stat;
}

Stat real_lstat()
{
    return wiz_lstat;
}
#else
Stat real_stat()
{
    static Stat real = next<Stat>(kStatName);
    return real;
}

Stat real_lstat()
{
    static Stat real = next<Stat>(kLstatName);
    return real;
}
#endif

#if KORVO_COUNT_THROUGH_HOOK
void on_allocation(const volatile void*, size_t)
{
    if (counting)
        ++counted.allocations;
}
void on_free(const volatile void*) {}
#endif

} // namespace

extern "C" SDL_Surface* IMG_Load(const char* file)
{
    if (counting)
        ++counted.decodes;
    return real_img_load()(file);
}

extern "C" int stat(const char* path, struct stat* status) noexcept
{
    if (counting)
        ++counted.status_calls;
    return real_stat()(path, status);
}

extern "C" int lstat(const char* path, struct stat* status) noexcept
{
    if (counting)
        ++counted.status_calls;
    return real_lstat()(path, status);
}

#if !KORVO_COUNT_THROUGH_HOOK
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

extern "C" void* malloc(size_t size) noexcept
{
    if (counting)
        ++counted.allocations;
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) noexcept
{
    if (counting)
        ++counted.allocations;
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) noexcept
{
    if (counting)
        ++counted.allocations;
    return __libc_realloc(block, size);
}
#endif

CountWork::CountWork()
{
    // Resolved before counting starts, so that looking them up is not counted.
    real_img_load();
    real_stat();
    real_lstat();
#if KORVO_COUNT_THROUGH_HOOK
    static bool hooked = __sanitizer_install_malloc_and_free_hooks(on_allocation, on_free) != 0;
    (void)hooked;
#endif
    counted = WorkCounts{};
    counting = true;
}

CountWork::~CountWork()
{
    counting = false;
}

WorkCounts CountWork::counts() const
{
    return counted;
}
