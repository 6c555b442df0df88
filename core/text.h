// Bounded text: the only ways Korvo writes into a fixed character array.
// Both helpers always terminate the buffer and report whether all of the
// text fitted; a caller that must not act on a cut text checks the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Copies src into dst (capacity bytes, terminator included), cutting it to
// fit. True when nothing was cut.
bool copy_text(char* dst, size_t capacity, std::string_view src);
// Formats into dst like snprintf. True when nothing was cut.
bool format_text(char* dst, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Appends src to the text already in dst, cutting it to fit.
bool append_text(char* dst, size_t capacity, std::string_view src);

template <size_t N>
bool copy_text(char (&dst)[N], std::string_view src)
{
    return copy_text(dst, N, src);
}

// A terminated text into an array: read only as far as the array holds,
// character by character (most are a few characters, for which measuring
// the whole text and calling the C library cost more than the copy). A
// text that starts before the array and runs into it is copied as the
// general copy does, which keeps it whole.
template <size_t N>
bool copy_text(char (&dst)[N], const char* src)
{
    static_assert(N > 0, "room for the terminator");
    uintptr_t from = reinterpret_cast<uintptr_t>(src), to = reinterpret_cast<uintptr_t>(dst);
    if (from < to && to - from < N)
        return copy_text(dst, N, std::string_view(src));
    size_t n = 0;
    for (; n + 1 < N && src[n] != '\0'; ++n)
        dst[n] = src[n];
    dst[n] = '\0';
    return src[n] == '\0';
}

template <size_t N>
bool append_text(char (&dst)[N], std::string_view src)
{
    return append_text(dst, N, src);
}

#define format_into(dst, ...) format_text((dst), sizeof(dst), __VA_ARGS__)

// Escapes text for use between double quotes of a system shell command line:
// '"', '$', '`' and '\' get a backslash, so the shell sees the literal text.
// True when the escaped text fitted.
bool escape_for_double_quotes(char* dst, size_t capacity, std::string_view src);

// True when name can be pasted into a shell command line as one plain word:
// letters, digits and "._-+,@%=:" only (no blank, slash, quote, glob or other
// character the shell interprets), not empty, not "." or "..".
bool is_plain_shell_word(std::string_view name);

// True when a and b are the same text but for the case of ASCII letters.
bool same_ignoring_case(std::string_view a, std::string_view b);
