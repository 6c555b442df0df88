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
constexpr const char* kDefaultPicture = "resources/pic.png";
constexpr int kPictureSize = 43;
constexpr int kMaxNameLength = 19;   // the 20-byte name field

// Account folder steps, in order; "%s" is the account name.
constexpr std::array<const char*, 7> kCreateCommands = {
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

void run_for_account(const char* command_template, const char* name)
{
    char command[128];
    format_into(command, command_template, name);
    platform_run(command);
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

bool write_new_account_files(const char* name)
{
    char wallpaper[kNameCapacity];
    first_wallpaper(wallpaper);
    char path[64];
    std::string settings = std::string("wallpaper/") + wallpaper + " Blue 2 0";
    account_path(path, name, "settings.st");
    if (!save_file(path, settings))
        return false;
    account_path(path, name, "data.st");
    if (!save_file(path, "user "))
        return false;
    account_path(path, name, "desktop.st");
    return save_file(path, "");
}

} // namespace

const char* message_skin()
{
    return skin_name[0] ? skin_name : "Blue";
}

void load_user(UserRecord& record, const char* name)
{
    char path[64];
    account_path(path, name, "data.st");
    File data = open_file(path, "r");
    if (!data) {
        notice("User data not found!");
        return;
    }
    std::memset(record.password, 0, sizeof record.password);
    if (read_word(data.get(), record.kind, sizeof record.kind))
        read_word(data.get(), record.password, sizeof record.password);
    data.reset();
    copy_text(record.name, name);
    SDL_FreeSurface(record.picture);
    record.picture = load_account_picture(name);
    zoom_image(record.picture, kPictureSize, kPictureSize);
}

void save_user_data(UserRecord record)
{
    char path[64];
    account_path(path, record.name, "data.st");
    std::string content = std::string(record.kind) + " " + record.password;
    if (!save_file(path, content))
        notice("Could not create user data!");
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

bool create_user(const char* name)
{
    if (!account_name_allowed(name))
        return false;
    for (const char* command : kCreateCommands)
        run_for_account(command, name);
    platform_run("sync");
    if (!write_new_account_files(name)) {
        notice("Error creating new user!");
        return false;
    }
    notice("User successfully created.");
    return true;
}

void toggle_autologon(UserRecord record)
{
    if (std::strcmp(record.name, autolog_user) == 0) {
        platform_run("rm resources/autolog.st");
        platform_run("sync");
        std::memset(autolog_user, 0, sizeof autolog_user);
        return;
    }
    if (save_file(kAutologFile, record.name))
        copy_text(autolog_user, record.name);
}

void read_autolog_user()
{
    File file = open_file(kAutologFile, "r");
    if (file)
        read_word(file.get(), autolog_user, sizeof autolog_user);
}

void load_settings()
{
    char path[64];
    account_path(path, user_name, "settings.st");
    File file = open_file(path, "r");
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

void save_settings()
{
    char path[64];
    account_path(path, user_name, "settings.st");
    char content[200];
    format_into(content, "%s %s %d %d %d %d %d", wallpaper_name, skin_name, brightness, saver_ms, auto_off_ms,
                clock_12h, volume);
    save_file(path, content);
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
