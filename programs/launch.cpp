#include "programs/launch.h"

#include "core/devices.h"
#include "core/text.h"
#include "platform/platform.h"
#include "programs/clock.h"
#include "users/user_files.h"

#include <SDL_mixer.h>
#include <cstring>

namespace {

constexpr const char* kSystemShell = "/bin/sh";

// The program's path for the system shell: the directory (which ends in
// "/"), a slash and the file, between double quotes. Characters the shell
// would still interpret inside the quotes get a backslash, so it runs the
// literal path and nothing else.
bool quoted_program_path(char* command, size_t capacity, const char* directory, const char* file)
{
    char escaped_directory[2 * sizeof explorer_path];
    char escaped_file[2 * kNameCapacity];
    return escape_for_double_quotes(escaped_directory, sizeof escaped_directory, directory) &&
           escape_for_double_quotes(escaped_file, sizeof escaped_file, file) &&
           format_text(command, capacity, "\"%s/%s\"", escaped_directory, escaped_file);
}

void replace_with_program(const char* directory, const char* file)
{
    save_settings();
    close_devices();
    platform_run("sync");
    SDL_Quit();
    Mix_CloseAudio();
    platform_chdir(directory);
    char command[2 * (sizeof explorer_path + kNameCapacity) + 8];
    if (quoted_program_path(command, sizeof command, directory, file)) {
        const char* const argv[] = {kSystemShell, "-c", command, nullptr};
        if (platform_replace_process(kSystemShell, argv) == 0)
            return;
    }
    restart_shell();
}

} // namespace

void launch_link(const LinkRecord& record)
{
    char params[512];
    format_into(params, "cpuclk=%s", record.cpu_mhz);
    apply_clock_params(params);
    if (std::strcmp(record.timing_tweak, "yes") == 0)
        apply_timing_tweak();
    replace_with_program(record.program_dir, record.program_file);
}

void launch_file(const char* file)
{
    replace_with_program(explorer_path, file);
}
