#include "desktop/shortcuts.h"

#include "core/files.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "gfx/layer.h"
#include "platform/platform.h"
#include "programs/links.h"
#include "users/user_files.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kLineCapacity = 100;
constexpr size_t kLongestPath = kLineCapacity - 2;

// The line of "desktop.st" (counted from 0) that each slot was loaded from,
// moved with its slot by the sort, so that a removal drops exactly the line
// of the shortcut the user chose even when two lines name the same link.
int desktop_lines[kDesktopSlots];

// What the loaded desktop was read from (see refresh_desktop).
struct DesktopSource {
    bool loaded = false;
    char user[sizeof user_name] = {};
    char skin[sizeof skin_name] = {};
    bool has_file = false;
    FileStamp file;
    uint32_t writes = 0;
    uint32_t commands = 0;
};
DesktopSource loaded_from;

// The table as load_desktop left it: whatever refilled it since (a reset of
// the shell's state) makes the next refresh load again.
struct TableMark {
    std::array<const SDL_Surface*, kDesktopSlots> icons{};
    std::array<bool, kDesktopSlots> used{};
    bool operator==(const TableMark& o) const { return icons == o.icons && used == o.used; }
};
TableMark loaded_table;

TableMark mark_of_table()
{
    TableMark mark;
    for (size_t slot = 0; slot < mark.icons.size(); ++slot) {
        mark.icons[slot] = desktop_items[slot].icon;
        mark.used[slot] = desktop_items[slot].link_name[0] != '\0';
    }
    return mark;
}

DesktopSource current_source(const char* path)
{
    DesktopSource source;
    source.loaded = true;
    copy_text(source.user, user_name);
    copy_text(source.skin, skin_name);
    source.has_file = path && file_stamp(path, source.file);
    source.writes = files_written();
    source.commands = platform_commands_run();
    return source;
}

bool same_source(const DesktopSource& a, const DesktopSource& b)
{
    return a.loaded && b.loaded && std::strcmp(a.user, b.user) == 0 && std::strcmp(a.skin, b.skin) == 0 &&
           a.has_file == b.has_file && (!a.has_file || a.file == b.file) && a.writes == b.writes &&
           a.commands == b.commands;
}

bool desktop_file(char (&path)[64], const char* name)
{
    return format_into(path, "user/%s/%s", user_name, name);
}

// Reads the line numbered `number` into the next free slot; true when it
// named a loadable shortcut. False in `more` at the end of the used lines.
bool load_line(std::FILE* file, int number, int filled, bool& more)
{
    char line[kLineCapacity];
    long length = read_link_line(file, line, sizeof line, kLongestPath);
    char* line_feed = std::strchr(line, '\n');
    more = length >= 0 && line_feed;
    if (!more || length > static_cast<long>(kLongestPath))
        return false;
    *line_feed = '\0';
    if (!load_link_record(line, desktop_items[filled]))
        return false;
    desktop_lines[filled] = number;
    return true;
}

bool already_on_desktop(const char* link_name)
{
    for (const LinkRecord& item : desktop_items)
        if (item.link_name[0] != '\0' && std::strcmp(item.link_name, link_name) == 0)
            return true;
    return false;
}

bool read_whole_file(const char* path, std::string& content)
{
    File file = open_regular_file(path);
    if (!file)
        return false;
    char block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        content.append(block, got);
    return !std::ferror(file.get());
}

// The ended lines of content without the one numbered `left_out`.
std::string without_line(std::string_view content, int left_out)
{
    std::string kept;
    int number = 0;
    for (size_t start = 0, end; (end = content.find('\n', start)) != std::string_view::npos;
         start = end + 1, ++number)
        if (number != left_out)
            kept.append(content.substr(start, end + 1 - start));
    return kept;
}

} // namespace

void load_desktop()
{
    for (int slot = 0; slot < kDesktopSlots; ++slot) {
        clear_link_text(desktop_items[slot]);
        desktop_lines[slot] = -1;
    }
    char path[64];
    bool named = desktop_file(path, "desktop.st");
    loaded_from = current_source(named ? path : nullptr);
    loaded_table = mark_of_table();
    layers_changed();
    if (!named)
        return;
    File file = open_regular_file(path);
    if (!file)
        return;
    int filled = 0;
    bool more = true;
    for (int number = 0; more && filled < kDesktopSlots; ++number)
        if (load_line(file.get(), number, filled, more))
            ++filled;
    file.reset();
    sort_by_title(desktop_items, filled, desktop_lines);
    loaded_table = mark_of_table();
}

void refresh_desktop()
{
    char path[64];
    bool named = desktop_file(path, "desktop.st");
    if (!same_source(loaded_from, current_source(named ? path : nullptr)) || !(loaded_table == mark_of_table()))
        load_desktop();
}

ShortcutAdded desktop_add(const LinkRecord& record)
{
    if (record.link_name[0] == '\0' || already_on_desktop(record.link_name) || !account_exists(user_name))
        return ShortcutAdded::Refused;
    std::string_view category = window_name(return_window);
    char line[kLineCapacity];
    char path[64];
    if (!format_into(line, "user/%s/links/%.*s/%s.lk", user_name, static_cast<int>(category.size()),
                     category.data(), record.link_name) ||
        std::strlen(line) > kLongestPath || !desktop_file(path, "desktop.st"))
        return ShortcutAdded::Refused;
    // Only a regular file (or none yet) is read and replaced: a FIFO would
    // block the read.
    std::string content;
    struct stat status;
    if (stat(path, &status) == 0 && (!S_ISREG(status.st_mode) || !read_whole_file(path, content)))
        return ShortcutAdded::NotSaved;
    if (!content.empty() && content.back() != '\n')
        content += '\n';
    content.append(line).append("\n");
    return save_file(path, content) ? ShortcutAdded::Added : ShortcutAdded::NotSaved;
}

bool desktop_remove(int slot)
{
    if (slot < 0 || slot >= kDesktopSlots || desktop_items[slot].link_name[0] == '\0')
        return true;
    char path[64];
    std::string content;
    if (!desktop_file(path, "desktop.st") || !read_whole_file(path, content))
        return false;
    bool saved = save_file(path, without_line(content, desktop_lines[slot]));
    load_desktop();
    return saved;
}
