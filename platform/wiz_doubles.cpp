// The firmware's C and maths libraries keep a double as two words with the
// high word first (the old floating-point unit's order), while the compiler
// keeps the low word first; floats and integers are laid out alike. Every
// call of theirs that takes or gives a double is made here instead, with
// the words turned round on the way in and out. Linked into the Wiz
// programs that hold the shell (korvo_glibc_compat in CMakeLists.txt);
// release.sh refuses a program that would call such a function directly.
//
// The printf and scanf families are not wrapped: nothing of the shell
// formats or reads a double through them ("%f" into a float is one word).
#include <cstdint>
#include <cstring>

#if !defined(__arm__) || defined(__ARM_EABI__)
#error "wiz_doubles.cpp is for the legacy-ABI ARM programs of the Wiz build"
#endif

namespace {

double turned(double value)
{
    std::uint32_t words[2];
    std::memcpy(words, &value, sizeof words);
    const std::uint32_t first = words[0];
    words[0] = words[1];
    words[1] = first;
    std::memcpy(&value, words, sizeof words);
    return value;
}

}  // namespace

extern "C" {

#define KORVO_INSIDE __attribute__((visibility("hidden")))

// Each wrapper is defined under the function's own name (an assembler label,
// so the headers' declarations do not stand in the way) and calls the
// firmware's by its version.
#define KORVO_FIRMWARE(name, version, result, ...)                      \
    result korvo_firmware_##name(__VA_ARGS__);                          \
    __asm__(".symver korvo_firmware_" #name "," #name "@" #version)

#define KORVO_DOUBLE_1(name)                                            \
    KORVO_FIRMWARE(name, GLIBC_2.0, double, double);                    \
    KORVO_INSIDE double korvo_##name(double) __asm__(#name);            \
    double korvo_##name(double x)                                       \
    {                                                                   \
        return turned(korvo_firmware_##name(turned(x)));                \
    }

#define KORVO_DOUBLE_2(name)                                            \
    KORVO_FIRMWARE(name, GLIBC_2.0, double, double, double);            \
    KORVO_INSIDE double korvo_##name(double, double) __asm__(#name);    \
    double korvo_##name(double x, double y)                             \
    {                                                                   \
        return turned(korvo_firmware_##name(turned(x), turned(y)));     \
    }

KORVO_DOUBLE_1(floor)
KORVO_DOUBLE_1(ceil)
KORVO_DOUBLE_1(sqrt)
KORVO_DOUBLE_2(pow)
KORVO_DOUBLE_2(fmod)
KORVO_DOUBLE_2(hypot)
KORVO_DOUBLE_2(nextafter)

KORVO_FIRMWARE(ldexp, GLIBC_2.0, double, double, int);
KORVO_INSIDE double korvo_ldexp(double, int) __asm__("ldexp");
double korvo_ldexp(double x, int exponent)
{
    return turned(korvo_firmware_ldexp(turned(x), exponent));
}

KORVO_FIRMWARE(frexp, GLIBC_2.0, double, double, int*);
KORVO_INSIDE double korvo_frexp(double, int*) __asm__("frexp");
double korvo_frexp(double x, int* exponent)
{
    return turned(korvo_firmware_frexp(turned(x), exponent));
}

KORVO_FIRMWARE(modf, GLIBC_2.0, double, double, double*);
KORVO_INSIDE double korvo_modf(double, double*) __asm__("modf");
double korvo_modf(double x, double* whole)
{
    double fraction = turned(korvo_firmware_modf(turned(x), whole));
    *whole = turned(*whole);
    return fraction;
}

KORVO_FIRMWARE(strtod, GLIBC_2.0, double, const char*, char**);
KORVO_INSIDE double korvo_strtod(const char*, char**) __asm__("strtod");
double korvo_strtod(const char* text, char** end)
{
    return turned(korvo_firmware_strtod(text, end));
}

// long double is a double on ARM.
KORVO_INSIDE double korvo_strtold(const char*, char**) __asm__("strtold");
double korvo_strtold(const char* text, char** end)
{
    return turned(korvo_firmware_strtod(text, end));
}

KORVO_INSIDE double korvo_atof(const char*) __asm__("atof");
double korvo_atof(const char* text)
{
    return turned(korvo_firmware_strtod(text, nullptr));
}

}  // extern "C"
