#include "core/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool copy_text(char* dst, size_t capacity, std::string_view src)
{
    if (capacity == 0)
        return src.empty();
    size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    if (n > 0)
        std::memmove(dst, src.data(), n);
    dst[n] = '\0';
    return n == src.size();
}

bool format_text(char* dst, size_t capacity, const char* format, ...)
{
    if (capacity == 0)
        return false;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(dst, capacity, format, args);
    va_end(args);
    if (n < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<size_t>(n) < capacity;
}

bool append_text(char* dst, size_t capacity, std::string_view src)
{
    size_t used = strnlen(dst, capacity);
    if (used >= capacity)
        return false;
    return copy_text(dst + used, capacity - used, src);
}

bool escape_for_double_quotes(char* dst, size_t capacity, std::string_view src)
{
    if (capacity == 0)
        return false;
    size_t out = 0;
    for (char c : src) {
        bool special = c == '"' || c == '$' || c == '`' || c == '\\';
        size_t need = special ? 2 : 1;
        if (out + need > capacity - 1) {
            dst[out] = '\0';
            return false;
        }
        if (special)
            dst[out++] = '\\';
        dst[out++] = c;
    }
    dst[out] = '\0';
    return true;
}

bool is_plain_shell_word(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && (c == '\0' || !std::strchr("._-+,@%=:", c)))
            return false;
    }
    return true;
}

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}
