#include "users/user_files.h"

#include "core/devices.h"
#include "core/files.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "gfx/image.h"
#include "platform/platform.h"

#include <cstring>
#include <sys/stat.h>
#include <string>

namespace {

constexpr const char* kAutologFile = "resources/autolog.st";
constexpr const char* kAutologParked = "resources/autoback.st";
constexpr const char* kDefaultPicture = "resources/pic.png";
constexpr int kPictureSize = 43;
constexpr int kMaxNameLength = 19;   // the 20-byte name field

// A new account is put together in this folder and renamed to its own name
// only when complete, so that a power cut leaves no account or a whole one,
// never a folder without its files. No account can have this name (account
// names are plain words, and "~" is none of their characters), and the
// account listings leave it out.
constexpr const char* kNewAccountFolder = "~new-account";

// Account folder steps, in order; "%s" is the folder. A leftover of an
// earlier creation that was cut short goes first.
constexpr std::array<const char*, 8> kCreateCommands = {
    "rm -rf user/%s",
    "mkdir user/%s",
    "mkdir user/%s/links",
    "mkdir user/%s/links/apps",
    "mkdir user/%s/links/emus",
    "mkdir user/%s/links/ports",
    "mkdir user/%s/links/games",
    "cp resources/pic.png user/%s/pic.png",
};

void notice(const char* text)
{
    message_box(screen, text, 0, message_skin());
}

void account_path(char (&path)[64], const char* name, const char* file)
{
    format_into(path, "user/%s/%s", name, file);
}

// The command's status; a command too long for its buffer is not run.
int run_for_account(const char* command_template, const char* name)
{
    char command[128];
    if (!format_into(command, command_template, name))
        return -1;
    return platform_run(command);
}

SDL_Surface* load_account_picture(const char* name)
{
    char path[64];
    account_path(path, name, "pic.png");
    SDL_Surface* picture = load_image(path);
    return picture ? picture : load_image(kDefaultPicture);
}

// The first wallpaper of the sorted listing; "Blue.png" when there is none.
void first_wallpaper(char (&file)[kNameCapacity])
{
    static NameTable wallpapers;
    clear_entries(wallpapers);
    list_directory(wallpapers, "resources/wallpaper/", "png");
    copy_text(file, count_entries(wallpapers) > 0 ? wallpapers.name[0] : "Blue.png");
}

// The three files go into the folder being put together; the "sync" that
// follows them makes them lasting before the folder gets its name.
bool write_new_account_files(const char* folder)
{
    char wallpaper[kNameCapacity];
    first_wallpaper(wallpaper);
    char path[64];
    std::string settings = std::string("wallpaper/") + wallpaper + " Blue 2 0";
    account_path(path, folder, "settings.st");
    if (!replace_file(path, settings))
        return false;
    account_path(path, folder, "data.st");
    if (!replace_file(path, "user "))
        return false;
    account_path(path, folder, "desktop.st");
    return replace_file(path, "");
}

// Longer than any "data.st" the shell writes (a kind, a blank, a password
// of 19 characters), with room for a line end of a file made on a PC.
constexpr size_t kLongestData = 64;

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A character of a word of "data.st": one the keyboard types.
bool word_character(char c)
{
    return c > ' ' && c < 127;
}

bool known_kind(std::string_view word)
{
    if (word == "admin")
        return true;
    for (const char* kind : kind_choices)
        if (word == kind)
            return true;
    return false;
}

// The next blank-delimited word of text from at, "" at the end.
std::string_view next_word(std::string_view text, size_t& at)
{
    while (at < text.size() && blank(text[at]))
        ++at;
    size_t start = at;
    while (at < text.size() && !blank(text[at]))
        ++at;
    return text.substr(start, at - start);
}

} // namespace

bool parse_user_data(std::string_view text, char (&kind)[20], char (&password)[20])
{
    for (char c : text)
        if (!blank(c) && !word_character(c))
            return false;
    size_t at = 0;
    std::string_view first = next_word(text, at);
    std::string_view second = next_word(text, at);
    if (!known_kind(first) || second.size() >= sizeof password)
        return false;
    copy_text(kind, first);
    copy_text(password, second);
    return true;
}

bool read_user_data(UserRecord& record, const char* name)
{
    char path[64];
    account_path(path, name, "data.st");
    File data = open_regular_file(path);
    if (!data)
        return false;
    char text[kLongestData + 1];
    size_t length = std::fread(text, 1, sizeof text, data.get());
    if (length > kLongestData || std::ferror(data.get()))
        return false;
    char kind[sizeof record.kind], password[sizeof record.password];
    if (!parse_user_data(std::string_view(text, length), kind, password))
        return false;
    copy_text(record.kind, kind);
    std::memset(record.password, 0, sizeof record.password);
    copy_text(record.password, password);
    return true;
}

const char* message_skin()
{
    return skin_name[0] ? skin_name : "Blue";
}

bool read_user(UserRecord& record, const char* name)
{
    if (!read_user_data(record, name))
        return false;
    copy_text(record.name, name);
    SDL_FreeSurface(record.picture);
    record.picture = load_account_picture(name);
    zoom_image(record.picture, kPictureSize, kPictureSize);
    return true;
}

void load_user(UserRecord& record, const char* name)
{
    if (!read_user(record, name))
        notice("User data not found!");
}

void save_user_data(UserRecord record)
{
    // A record read from no "data.st" (an account folder without one) has
    // no kind to write; and a record whose folder is gone has no place.
    if (record.kind[0] == '\0' || !account_exists(record.name))
        return;
    char path[64];
    account_path(path, record.name, "data.st");
    std::string content = std::string(record.kind) + " " + record.password;
    if (!save_file(path, content))
        notice("Could not create user data!");
}

bool account_exists(const char* name)
{
    std::string_view text(name);
    if (text.empty() || text == "." || text == ".." || text.find('/') != std::string_view::npos ||
        text == kNewAccountFolder)
        return false;
    char folder[64];
    if (!format_into(folder, "user/%s", name))
        return false;
    struct stat status;
    return stat(folder, &status) == 0 && S_ISDIR(status.st_mode);
}

bool account_usable(const char* name)
{
    UserRecord data{};
    return account_exists(name) && read_user_data(data, name);
}

bool password_allowed(const char* password)
{
    // "data.st" is read word by word: a blank would end the password there,
    // and what was typed could never be typed back at the logon.
    if (std::strchr(password, ' ') == nullptr)
        return true;
    notice("No blanks in a password!");
    return false;
}

void list_accounts(NameTable& table)
{
    clear_entries(table);
    list_directory(table, "user/", "");
    int count = count_entries(table);
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(table.name[i], kNewAccountFolder) != 0)
            continue;
        for (int j = i; j + 1 < count; ++j) {
            copy_text(table.name[j], table.name[j + 1]);
            table.directory[j] = table.directory[j + 1];
        }
        table.name[count - 1][0] = '\0';
        table.directory[count - 1] = false;
        break;
    }
}

bool account_name_allowed(const char* name)
{
    std::string_view text(name);
    if (text.size() > kMaxNameLength || !is_plain_shell_word(text)) {
        notice("Invalid user name!");
        return false;
    }
    char folder[64];
    format_into(folder, "user/%s", name);
    struct stat status;
    if (lstat(folder, &status) == 0) {
        notice("User already exists!");
        return false;
    }
    return true;
}

// The folder and files of a new account, in the folder where it is put
// together; false at the first step that failed (a full card).
bool put_new_account_together()
{
    for (const char* command : kCreateCommands)
        if (run_for_account(command, kNewAccountFolder) != 0)
            return false;
    platform_run("sync");
    if (!write_new_account_files(kNewAccountFolder))
        return false;
    platform_run("sync");
    return true;
}

bool create_user(const char* name)
{
    if (!account_name_allowed(name))
        return false;
    bool made = put_new_account_together();
    if (made) {
        // One rename gives the complete account its name.
        char command[128];
        format_into(command, "mv user/%s user/%s", kNewAccountFolder, name);
        platform_run(command);
        platform_run("sync");
        made = account_usable(name);
    }
    if (!made) {
        run_for_account("rm -rf user/%s", kNewAccountFolder);
        platform_run("sync");
        notice("Error creating new user!");
        return false;
    }
    notice("User successfully created.");
    return true;
}

bool toggle_autologon(UserRecord record)
{
    if (std::strcmp(record.name, autolog_user) == 0) {
        // Only once the file is gone is the automatic logon off: a card
        // that keeps it would log the account on at the next start.
        struct stat status;
        bool removed = platform_run("rm resources/autolog.st") == 0 || lstat(kAutologFile, &status) != 0;
        platform_run("sync");
        if (!removed)
            return false;
        std::memset(autolog_user, 0, sizeof autolog_user);
        return true;
    }
    if (!save_file(kAutologFile, record.name))
        return false;
    copy_text(autolog_user, record.name);
    return true;
}

void switch_off_autologon()
{
    for (const char* file : {kAutologFile, kAutologParked}) {
        if (!file_exists(file))
            continue;
        char command[64];
        format_into(command, "rm %s", file);
        platform_run(command);
        platform_run("sync");
    }
    std::memset(autolog_user, 0, sizeof autolog_user);
}

void read_autolog_user()
{
    File file = open_regular_file(kAutologFile);
    if (file)
        read_word(file.get(), autolog_user, sizeof autolog_user);
}

void load_settings()
{
    char path[64];
    account_path(path, user_name, "settings.st");
    File file = open_regular_file(path);
    if (!file)
        return;
    // Field by field, as far as the file goes: a new account's file holds
    // only the first four, and the rest keep the values they have.
    static_cast<void>(read_word(file.get(), wallpaper_name, sizeof wallpaper_name) &&
                      read_word(file.get(), skin_name, sizeof skin_name) && read_int(file.get(), brightness) &&
                      read_int(file.get(), saver_ms) && read_int(file.get(), auto_off_ms) &&
                      read_int(file.get(), clock_12h) && read_int(file.get(), volume));
    file.reset();
    brightness_set(brightness);
}

bool write_settings()
{
    // Before a logon (or with an account whose folder is gone) there is no
    // account to write to, and "user//settings.st" would look like one.
    if (!account_exists(user_name))
        return false;
    char path[64];
    account_path(path, user_name, "settings.st");
    char content[200];
    format_into(content, "%s %s %d %d %d %d %d", wallpaper_name, skin_name, brightness, saver_ms, auto_off_ms,
                clock_12h, volume);
    return save_file(path, content);
}

void save_settings()
{
    write_settings();
}

bool save_chosen_settings()
{
    if (write_settings())
        return true;
    notice("Could not save settings!");
    return false;
}

int check_rights()
{
    bool admin = std::strcmp(user_kind, "admin") == 0;
    if (!admin && (field_selection == 0 || field_selection == 2 || field_selection == 5)) {
        notice("Admin rights required!");
        return 0;
    }
    if (admin && field_selection == 2 && std::strcmp(edit_user.name, user_name) == 0) {
        notice("Cannot change Admin type!");
        return 0;
    }
    read_autolog_user();
    return 1;
}
