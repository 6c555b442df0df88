#include "install/install_checks.h"

#include "core/files.h"
#include "core/text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr size_t kPathSize = 600;

// The fields of an ELF header that say where its parts lie.
struct ElfLayout {
    bool wide = false;      // 64-bit
    bool big = false;       // big-endian
    uint64_t phoff = 0;
    uint64_t shoff = 0;
    uint32_t phentsize = 0;
    uint32_t phnum = 0;
    uint32_t shentsize = 0;
    uint32_t shnum = 0;
};

uint64_t field(const unsigned char* at, int bytes, bool big)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(at[big ? bytes - 1 - i : i]) << (8 * i);
    return value;
}

bool read_at(std::FILE* file, uint64_t offset, unsigned char* into, size_t size)
{
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(into, 1, size, file) == size;
}

bool read_elf_layout(std::FILE* file, ElfLayout& elf)
{
    unsigned char h[64];
    if (!read_at(file, 0, h, 52) || std::memcmp(h, "\177ELF", 4) != 0)
        return false;
    if ((h[4] != 1 && h[4] != 2) || (h[5] != 1 && h[5] != 2))
        return false;
    elf.wide = h[4] == 2;
    elf.big = h[5] == 2;
    if (elf.wide && !read_at(file, 0, h, 64))
        return false;
    int word = elf.wide ? 8 : 4;
    int offsets = elf.wide ? 0x20 : 0x1C;
    elf.phoff = field(h + offsets, word, elf.big);
    elf.shoff = field(h + offsets + word, word, elf.big);
    int sizes = elf.wide ? 0x36 : 0x2A;
    elf.phentsize = static_cast<uint32_t>(field(h + sizes, 2, elf.big));
    elf.phnum = static_cast<uint32_t>(field(h + sizes + 2, 2, elf.big));
    elf.shentsize = static_cast<uint32_t>(field(h + sizes + 4, 2, elf.big));
    elf.shnum = static_cast<uint32_t>(field(h + sizes + 6, 2, elf.big));
    return true;
}

bool inside(uint64_t offset, uint64_t length, uint64_t size)
{
    return offset <= size && length <= size - offset;
}

// Every loaded segment's bytes lie inside the file.
bool segments_inside(std::FILE* file, const ElfLayout& elf, uint64_t size)
{
    uint32_t least = elf.wide ? 56 : 32;
    if (elf.phnum == 0 || elf.phentsize < least)
        return false;
    if (!inside(elf.phoff, static_cast<uint64_t>(elf.phnum) * elf.phentsize, size))
        return false;
    constexpr uint32_t kLoad = 1;
    for (uint32_t i = 0; i < elf.phnum; ++i) {
        unsigned char p[56];
        if (!read_at(file, elf.phoff + static_cast<uint64_t>(i) * elf.phentsize, p, least))
            return false;
        if (field(p, 4, elf.big) != kLoad)
            continue;
        uint64_t offset = elf.wide ? field(p + 8, 8, elf.big) : field(p + 4, 4, elf.big);
        uint64_t length = elf.wide ? field(p + 32, 8, elf.big) : field(p + 16, 4, elf.big);
        if (!inside(offset, length, size))
            return false;
    }
    return true;
}

} // namespace

bool is_readable(const char* path)
{
    return open_file(path, "rt") != nullptr;
}

bool is_folder(const char* path)
{
    struct stat s {};
    return stat(path, &s) == 0 && S_ISDIR(s.st_mode);
}

bool is_file(const char* path)
{
    struct stat s {};
    return stat(path, &s) == 0 && S_ISREG(s.st_mode);
}

bool is_file_or_absent(const char* path)
{
    struct stat s {};
    if (stat(path, &s) == 0)
        return S_ISREG(s.st_mode);
    return errno == ENOENT || errno == ENOTDIR;
}

bool same_file_contents(const char* a, const char* b)
{
    File first = open_file(a, "rb");
    File second = open_file(b, "rb");
    if (!first || !second)
        return false;
    char block_a[4096];
    char block_b[4096];
    for (;;) {
        size_t n = std::fread(block_a, 1, sizeof block_a, first.get());
        size_t m = std::fread(block_b, 1, sizeof block_b, second.get());
        if (n != m || std::memcmp(block_a, block_b, n) != 0)
            return false;
        if (n < sizeof block_a)
            return !std::ferror(first.get()) && !std::ferror(second.get());
    }
}

bool same_tree_contents(const char* from, const char* to)
{
    DIR* folder = opendir(from);
    if (!folder)
        return false;
    bool same = is_folder(to);
    while (same) {
        const dirent* entry = readdir(folder);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue;
        char source[kPathSize];
        char target[kPathSize];
        if (!format_into(source, "%s/%s", from, name) || !format_into(target, "%s/%s", to, name)) {
            same = false;
            break;
        }
        if (is_folder(source))
            same = same_tree_contents(source, target);
        else
            same = same_file_contents(source, target);
    }
    closedir(folder);
    return same;
}

bool is_complete_program(const char* path)
{
    File file = open_file(path, "rb");
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    long end = std::ftell(file.get());
    if (end <= 0)
        return false;
    uint64_t size = static_cast<uint64_t>(end);
    ElfLayout elf;
    if (!read_elf_layout(file.get(), elf) || !segments_inside(file.get(), elf, size))
        return false;
    if (elf.shnum == 0)
        return elf.shoff == 0;
    return elf.shentsize > 0 && inside(elf.shoff, static_cast<uint64_t>(elf.shnum) * elf.shentsize, size);
}
