#include "users/user_files.h"

#include "core/devices.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

void settings_path(char (&path)[64])
{
    format_into(path, "user/%s/settings.st", user_name);
}

} // namespace

void load_settings()
{
    char path[64];
    settings_path(path);
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
    settings_path(path);
    char content[200];
    format_into(content, "%s %s %d %d %d %d %d", wallpaper_name, skin_name, brightness, saver_ms, auto_off_ms,
                clock_12h, volume);
    if (!replace_file(path, content))
        return;
    platform_run("sync");
}
