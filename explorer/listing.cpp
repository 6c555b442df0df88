#include "explorer/listing.h"

#include "core/text.h"
#include "gfx/layer.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace {

int status_calls;

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

// Every status call of the listing goes through here, so its cost can be
// counted. The final link is not followed: a link to a folder is a file.
bool path_is_directory(const char* path)
{
    ++status_calls;
    struct stat status;
    return lstat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

// The sort key: the first character, upper-cased, as an unsigned code (the
// console's char is unsigned, so bytes above 127 sort after the letters).
unsigned char sort_key(const char* name)
{
    unsigned char c = static_cast<unsigned char>(name[0]);
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// The three exchange passes. They work on positions: position p holds the
// entry order[p], and a swap exchanges two positions, so each entry's type
// travels with its name and no pass needs to ask the file system again.
// The passes fix the order of entries with equal keys, so they are kept as
// they are rather than replaced by a stable sort.
void exchange_passes(const NameTable& table, int n, short* order)
{
    auto directory = [&](int p) { return table.directory[order[p]]; };
    auto key = [&](int p) { return sort_key(table.name[order[p]]); };
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (!directory(i) && directory(j))
                std::swap(order[i], order[j]);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; directory(i) && j < n; ++j)
            if (directory(j) && key(i) > key(j))
                std::swap(order[i], order[j]);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; !directory(i) && j < n; ++j)
            if (!directory(j) && key(i) > key(j))
                std::swap(order[i], order[j]);
}

// Moves every entry to its sorted position, one cycle of the permutation at
// a time, so each name is copied once instead of once per swap.
void apply_order(NameTable& table, int n, const short* order)
{
    bool placed[kNameSlots] = {};
    char name[kNameCapacity];
    for (int start = 0; start < n; ++start) {
        if (placed[start])
            continue;
        copy_text(name, table.name[start]);
        bool directory = table.directory[start];
        int p = start;
        for (; order[p] != start; p = order[p]) {
            copy_text(table.name[p], table.name[order[p]]);
            table.directory[p] = table.directory[order[p]];
            placed[p] = true;
        }
        copy_text(table.name[p], name);
        table.directory[p] = directory;
        placed[p] = true;
    }
}

// Sorts the first n slots by the directory flags they already hold.
void sort_by_kept_types(NameTable& table, int n)
{
    short order[kNameSlots];
    for (int p = 0; p < n; ++p)
        order[p] = static_cast<short>(p);
    exchange_passes(table, n, order);
    apply_order(table, n, order);
}

bool passes_filter(const char* name, const char* filter)
{
    if (!filter || filter[0] == '\0')
        return true;
    char extension[4];
    file_extension(name, extension);
    return std::strcmp(extension, filter) == 0 || std::strcmp(extension, "gpu") == 0;
}

bool is_type_separator(char c)
{
    return c == ' ' || c == ',' || c == ';' || c == '\t';
}

// The extension a list's word names: "gba", ".gba" and "*.gba" alike.
std::string_view type_word(std::string_view word)
{
    if (word.size() > 1 && word[0] == '*' && word[1] == '.')
        word.remove_prefix(2);
    else if (!word.empty() && word[0] == '.')
        word.remove_prefix(1);
    return word;
}

bool passes_types(const char* name, const char* types)
{
    return name_has_type(name, types);
}

void empty_slot(NameTable& table, int slot)
{
    table.name[slot][0] = '\0';
    table.directory[slot] = false;
}

// The type of a directory entry as readdir gives it, where the file system
// tells (a link is a file, as the status test says); a status call only
// where it does not.
bool entry_is_directory(const char* path, const dirent* entry)
{
    switch (entry->d_type) {
    case DT_DIR: return true;
    case DT_UNKNOWN: return is_directory(path, entry->d_name);
    default: return false;
    }
}

// Where an entry goes in the sorted listing, as far as the table's limit is
// concerned: directories first, then by key, then the reading order.
struct Rank {
    bool file;
    unsigned char key;
    int read;
    bool operator<(const Rank& o) const
    {
        if (file != o.file)
            return !file;
        if (key != o.key)
            return key < o.key;
        return read < o.read;
    }
};

// While reading, the filled slots form a heap of ranks with the last in
// sorted order on top, so that a full table gives up its last entry to one
// that sorts before it. A directory of any size costs a pass of readdir and
// a few compares a name, and a status call only where readdir does not
// tell the entry's type.
struct Keeper {
    explicit Keeper(NameTable& into) : table(into) {}

    NameTable& table;
    Rank rank[kNameSlots];
    int n = 0;
    int left_out = 0;

    void sift_down(int at)
    {
        for (;;) {
            int last = at, left = 2 * at + 1, right = left + 1;
            if (left < n && rank[last] < rank[left])
                last = left;
            if (right < n && rank[last] < rank[right])
                last = right;
            if (last == at)
                return;
            swap_slots(at, last);
            at = last;
        }
    }

    void sift_up(int at)
    {
        while (at > 0 && rank[(at - 1) / 2] < rank[at]) {
            swap_slots(at, (at - 1) / 2);
            at = (at - 1) / 2;
        }
    }

    void swap_slots(int a, int b)
    {
        std::swap(rank[a], rank[b]);
        char name[kNameCapacity];
        copy_text(name, table.name[a]);
        copy_text(table.name[a], table.name[b]);
        copy_text(table.name[b], name);
    }

    void offer(const char* name, const Rank& r)
    {
        if (n < kNameSlots) {
            copy_text(table.name[n], name);
            rank[n] = r;
            sift_up(n++);
            return;
        }
        ++left_out;
        if (!(r < rank[0]))
            return;
        copy_text(table.name[0], name);
        rank[0] = r;
        sift_down(0);
    }

    // Puts the kept entries back in reading order, which is what the
    // exchange passes expect to start from, each with the type it was read
    // with (no second status call).
    void restore_reading_order()
    {
        short order[kNameSlots];
        for (int p = 0; p < n; ++p)
            order[p] = static_cast<short>(p);
        std::sort(order, order + n, [&](short a, short b) { return rank[a].read < rank[b].read; });
        for (int p = 0; p < n; ++p)
            table.directory[p] = !rank[p].file;
        apply_order(table, n, order);
    }
};

void list_kept(NameTable& table, const char* path, bool (*keeps)(const char*, const char*), const char* filter)
{
    layers_changed();   // the explorer shows the listing
    Directory directory(opendir(path));
    if (!directory)
        return;
    Keeper keeper(table);
    int read = 0;
    while (const dirent* entry = readdir(directory.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || std::strlen(name) >= kNameCapacity)
            continue;
        bool folder = entry_is_directory(path, entry);
        if (folder || keeps(name, filter))
            keeper.offer(name, Rank{!folder, sort_key(name), read++});
    }
    directory.reset();
    keeper.restore_reading_order();
    for (int slot = keeper.n; slot < kNameSlots; ++slot)
        empty_slot(table, slot);
    table.left_out = keeper.left_out;
    sort_by_kept_types(table, keeper.n);
}

} // namespace

void list_directory(NameTable& table, const char* path, const char* filter)
{
    list_kept(table, path, passes_filter, filter);
}

void list_directory_of_types(NameTable& table, const char* path, const char* types)
{
    list_kept(table, path, passes_types, types);
}

bool name_has_type(const char* name, const char* types)
{
    std::string_view list(types ? types : "");
    const char* dot = std::strrchr(name, '.');
    std::string_view extension(dot && dot != name ? dot + 1 : "");
    while (!list.empty()) {
        size_t start = 0;
        while (start < list.size() && is_type_separator(list[start]))
            ++start;
        size_t end = start;
        while (end < list.size() && !is_type_separator(list[end]))
            ++end;
        std::string_view word = type_word(list.substr(start, end - start));
        if (word == "*" || (!word.empty() && !extension.empty() && same_ignoring_case(word, extension)))
            return true;
        list.remove_prefix(end);
    }
    return false;
}

bool has_file_types(const char* types)
{
    for (const char* c = types; c && *c; ++c)
        if (!is_type_separator(*c))
            return true;
    return false;
}

void sort_listing(NameTable& table, const char* path)
{
    layers_changed();
    int n = count_entries(table);
    for (int slot = 0; slot < n; ++slot)
        table.directory[slot] = is_directory(path, table.name[slot]);
    sort_by_kept_types(table, n);
}

int count_entries(const NameTable& table)
{
    for (int slot = 0; slot < kNameSlots; ++slot)
        if (table.name[slot][0] == '\0')
            return slot;
    return kNameSlots;
}

void clear_entries(NameTable& table)
{
    layers_changed();
    for (int slot = 0; slot < kNameSlots; ++slot)
        empty_slot(table, slot);
    table.left_out = 0;
}

void file_extension(const char* name, char* extension, size_t capacity)
{
    const char* dot = std::strrchr(name, '.');
    std::string_view after(dot && dot != name ? dot + 1 : "");
    copy_text(extension, capacity < 4 ? capacity : 4, after.substr(0, 3));
}

bool is_directory(const char* directory, const char* name)
{
    char path[500];
    if (!format_into(path, "%s%s", directory, name))
        return false;
    return path_is_directory(path);
}

void parent_directory(char* path)
{
    int length = static_cast<int>(std::strlen(path));
    if (length < 2)
        return;
    int k = length - 2;
    while (k >= 1 && path[k] != '/')
        --k;
    path[k + 1] = '\0';
}

int listing_status_calls()
{
    return status_calls;
}
