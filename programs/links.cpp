#include "programs/links.h"

#include "core/files.h"
#include "core/text.h"
#include "explorer/listing.h"
#include "gfx/icons.h"
#include "gfx/image.h"
#include "gfx/layer.h"
#include "scan/scan_tables.h"

#include <cstring>
#include <utility>

namespace {

constexpr size_t kLongestLine = 99;

struct LinkField {
    char* text;
    size_t capacity;
    size_t keep;   // the longest line text the field gives back
};

template <size_t N>
constexpr LinkField field(char (&text)[N])
{
    return {text, N, N - 2 < kLongestLine ? N - 2 : kLongestLine};
}

// The eight lines every link has, then the two a link may carry.
constexpr size_t kLines = 10;
constexpr size_t kPlainLines = 8;

std::array<LinkField, kLines> link_fields(LinkRecord& r)
{
    return {{field(r.title), field(r.description), field(r.link_name), field(r.program_file),
             field(r.program_dir), field(r.cpu_mhz), field(r.timing_tweak), field(r.icon_path),
             field(r.browse_dir), field(r.file_types)}};
}

constexpr size_t kNameLine = sizeof LinkRecord::link_name - 2;
constexpr size_t kPathLine = kLongestLine;

constexpr size_t kTypesLine = sizeof LinkRecord::file_types - 2;

// Whether a link with these texts reads back as the same link: its name
// finds its file again, its program opens, its icon loads, its folder and
// file types are whole.
bool link_reads_back(const char* link_name, const char* program_file, const char* program_dir,
                     const char* icon_path, const char* browse_dir = "", const char* file_types = "")
{
    size_t name = std::strlen(link_name);
    return name > 0 && name <= kNameLine && std::strlen(program_file) <= kNameLine &&
           std::strlen(program_dir) <= kPathLine && std::strlen(icon_path) <= kPathLine &&
           std::strlen(browse_dir) <= kPathLine && std::strlen(file_types) <= kTypesLine;
}

bool link_path(char (&path)[200], const char* user, std::string_view category, const char* link_name)
{
    return format_into(path, "user/%s/links/%.*s/%s.lk", user, static_cast<int>(category.size()),
                       category.data(), link_name);
}

// Writes the lines through a temporary file, so that a power cut leaves the
// old link or the new one, never half of one. A link of eight lines stays
// one (earlier versions of the shell read exactly eight); the folder line
// follows when the folder or the file types are set, the file types' line
// when they are.
bool write_link_file(const char* path, const std::array<const char*, kLines>& lines)
{
    size_t count = kLines;
    while (count > kPlainLines && lines[count - 1][0] == '\0')
        --count;
    char content[1600] = "";
    for (size_t i = 0; i < count; ++i)
        if (!append_text(content, lines[i]) || !append_text(content, "\n"))
            return false;
    return save_file(path, content);
}

// The base name: the file name up to, not including, its first ".".
bool base_name(const char* file, char (&base)[100])
{
    std::string_view name(file);
    return copy_text(base, name.substr(0, name.find('.')));
}

bool create_link_named(const char* user, std::string_view category, const char* name, const char* file,
                       const char* dir)
{
    char path[200];
    if (!link_reads_back(name, file, dir, "") || !link_path(path, user, category, name))
        return false;
    return write_link_file(path, {name, "", name, file, dir, "533", "no", "", "", ""});
}

bool create_link(const char* user, std::string_view category, const char* file, const char* dir)
{
    char base[100];
    return base_name(file, base) && create_link_named(user, category, base, file, dir);
}

bool read_link_file(const char* path, LinkRecord& record)
{
    File file = open_regular_file(path);
    if (!file)
        return false;
    for (const LinkField& f : link_fields(record))
        read_link_line(file.get(), f.text, f.capacity, f.keep);
    file.reset();
    strip_line_ends(record);
    return true;
}

bool program_exists(const LinkRecord& record)
{
    char path[sizeof record.program_dir + sizeof record.program_file];
    return format_into(path, "%s%s", record.program_dir, record.program_file) && file_exists(path);
}

// The custom icon, else the ".png" beside the program named after the link,
// either shown at 32x32; else the skin's generic icon at its own size. The
// icons come from the cache, which decodes a file again only when it changed.
void load_link_icon(LinkRecord& record)
{
    SDL_FreeSurface(record.icon);
    record.icon = nullptr;
    if (std::strlen(record.icon_path) > 1)
        record.icon = cached_icon(record.icon_path);
    char beside[sizeof record.program_dir + sizeof record.link_name + 4];
    if (!record.icon && format_into(beside, "%s%s.png", record.program_dir, record.link_name))
        record.icon = cached_icon(beside);
    char generic[50];
    if (!record.icon && skin_image_path(generic, "genericico.png", skin_name))
        record.icon = cached_icon(generic, true);
}

unsigned char title_key(const LinkRecord& record)
{
    unsigned char c = static_cast<unsigned char>(record.title[0]);
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Whether the category already has a link called name for a program other
// than dir + file (a link of the same program is simply written again).
bool name_taken(const char* user, std::string_view category, const char* name, const char* file, const char* dir)
{
    char path[200];
    if (!link_path(path, user, category, name))
        return true;
    LinkRecord existing{};
    if (!read_link_file(path, existing))
        return false;
    return std::strcmp(existing.program_file, file) != 0 || std::strcmp(existing.program_dir, dir) != 0;
}

// The innermost folder of dir whose name is not the base name itself (the
// programs of a card mostly sit in a folder named after them), made of
// letters, digits, "-", "_" and "." only; empty when there is none.
bool telling_folder(const char* dir, std::string_view base, char (&folder)[40])
{
    std::string_view path(dir);
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    while (!path.empty()) {
        size_t slash = path.rfind('/');
        std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
        if (name.empty() || same_ignoring_case(name, base))
            continue;
        copy_text(folder, name);
        for (char* c = folder; *c; ++c) {
            bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') ||
                         *c == '-' || *c == '_' || *c == '.';
            if (!plain)
                *c = '_';
        }
        return true;
    }
    folder[0] = '\0';
    return false;
}

// The link's name: the program's base name, unless the category holds a
// link of that name for another program (two programs "hello.gpe" in
// different folders); then the base name and the folder ("hello-apps"),
// and after that a number ("hello-apps-2").
bool free_link_name(const char* user, std::string_view category, const char* file, const char* dir,
                    char (&name)[100])
{
    char base[100];
    if (!base_name(file, base))
        return false;
    copy_text(name, base);
    if (!name_taken(user, category, name, file, dir))
        return true;
    char folder[40];
    if (!telling_folder(dir, base, folder))
        copy_text(folder, "link");
    if (!format_into(name, "%s-%s", base, folder))
        return false;
    for (int n = 2; name_taken(user, category, name, file, dir); ++n)
        if (n > 99 || !format_into(name, "%s-%s-%d", base, folder, n))
            return false;
    return true;
}

} // namespace

int category_index(int entry)
{
    if (entry < 0 || entry >= kScanSlots)
        return 0;
    for (int index = 0; index < kCategoryCount; ++index)
        if (std::strcmp(scan_categories[entry], category_names[index]) == 0)
            return index;
    return 0;
}

bool create_link_for_scan(int entry, const char* user)
{
    int category = category_index(entry);
    if (category == 0)
        return false;
    std::string_view directory = category_dirs[static_cast<size_t>(category)];
    char name[100];
    return free_link_name(user, directory, scan_files[entry], scan_dirs[entry], name) &&
           create_link_named(user, directory, name, scan_files[entry], scan_dirs[entry]);
}

bool create_link_from_file(const char* file)
{
    return create_link(user_name, window_name(return_window), file, explorer_path);
}

bool save_link(int slot)
{
    if (slot < 0 || slot >= kLinkSlots || link_items[slot].link_name[0] == '\0')
        return false;
    const LinkRecord& r = link_items[slot];
    if (!link_reads_back(r.link_name, r.program_file, r.program_dir, r.icon_path, r.browse_dir, r.file_types))
        return false;
    char path[200];
    if (!link_path(path, user_name, window_name(current_window), r.link_name))
        return false;
    return write_link_file(path, {r.title, r.description, r.link_name, r.program_file, r.program_dir, r.cpu_mhz,
                                  r.timing_tweak, r.icon_path, r.browse_dir, r.file_types});
}

void load_links()
{
    layers_changed();   // the category windows show the links
    for (LinkRecord& record : link_items)
        clear_link_text(record);
    std::string_view category = window_name(current_window);
    char dir[64];
    if (!format_into(dir, "user/%s/links/%.*s/", user_name, static_cast<int>(category.size()), category.data()))
        return;
    list_directory(explorer_list, dir, "lk");
    int filled = 0;
    int listed = count_entries(explorer_list);
    for (int i = 0; i < listed && filled < kLinkSlots; ++i) {
        char path[sizeof dir + kNameCapacity];
        if (format_into(path, "%s%s", dir, explorer_list.name[i]) && load_link_record(path, link_items[filled]))
            ++filled;
    }
    sort_by_title(link_items, filled, nullptr);
}

void strip_line_ends(LinkRecord& record)
{
    if (record.link_name[0] == '\0')
        return;
    for (const LinkField& f : link_fields(record)) {
        size_t length = std::strlen(f.text);
        if (length > 0 && f.text[length - 1] == '\n')
            f.text[length - 1] = '\0';
    }
}

long read_link_line(std::FILE* file, char* text, size_t capacity, size_t keep)
{
    if (keep + 2 > capacity)
        keep = capacity - 2;
    int c = std::fgetc(file);
    if (c == EOF) {
        text[0] = '\0';
        return -1;
    }
    long length = 0;
    size_t kept = 0;
    for (; c != EOF && c != '\n'; c = std::fgetc(file), ++length) {
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n') {
                c = next;
                break;
            }
            if (next != EOF)
                std::ungetc(next, file);
        }
        if (kept < keep)
            text[kept++] = static_cast<char>(c);
    }
    if (c == '\n')
        text[kept++] = '\n';
    text[kept] = '\0';
    return length;
}

bool read_link_text(const char* path, LinkRecord& record)
{
    if (!read_link_file(path, record))
        return false;
    // A record without a name is not in use, and would end the table early.
    if (record.link_name[0] == '\0' || !program_exists(record)) {
        clear_link_text(record);
        return false;
    }
    return true;
}

bool load_link_record(const char* path, LinkRecord& record)
{
    if (!read_link_text(path, record))
        return false;
    load_link_icon(record);
    return true;
}

void clear_link_text(LinkRecord& record)
{
    for (const LinkField& f : link_fields(record))
        f.text[0] = '\0';
}

void sort_by_title(LinkRecord* table, int count, int* tags)
{
    for (int i = 0; i < count - 1; ++i)
        for (int j = i + 1; j < count; ++j)
            if (title_key(table[i]) > title_key(table[j])) {
                std::swap(table[i], table[j]);
                if (tags)
                    std::swap(tags[i], tags[j]);
            }
}
