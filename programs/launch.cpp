#include "programs/launch.h"

#include "core/devices.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "platform/platform.h"
#include "programs/clock.h"
#include "users/user_files.h"

#include <SDL_mixer.h>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSystemShell = "/bin/sh";

// What the system shell runs after the program: the console's menu, as
// console programs start it themselves when they end. A program that goes
// back by itself replaces its own process with the menu, and the menu never
// returns to this shell, so for such a program this part is never reached;
// one that just ends, or cannot start, brings the console back to the menu
// instead of leaving it with nothing on the screen. The shell waiting
// behind a program costs one small process; the "killall sh" at every start
// of the shell ends those left by programs that went back themselves, so
// they never pile up over many launches.
constexpr const char* kBackToMenu = "; cd /usr/gp2x; exec /usr/gp2x/gp2xmenu";

// The longest path of a file a program is started on.
constexpr size_t kArgumentCapacity = sizeof explorer_path + kNameCapacity;

// The program's path for the system shell: the directory (which ends in
// "/"), a slash and the file, between double quotes, then, for a program
// started on a file, that file's path between double quotes of its own,
// then the way back to the menu. Characters the shell would still
// interpret inside the quotes get a backslash, so it runs the literal path
// with the literal argument and nothing else.
bool program_command(char* command, size_t capacity, const char* directory, const char* file,
                     const char* argument)
{
    char escaped_directory[2 * sizeof explorer_path];
    char escaped_file[2 * kNameCapacity];
    char escaped_argument[2 * kArgumentCapacity] = "";
    if (!escape_for_double_quotes(escaped_directory, sizeof escaped_directory, directory) ||
        !escape_for_double_quotes(escaped_file, sizeof escaped_file, file))
        return false;
    if (!argument)
        return format_text(command, capacity, "\"%s/%s\"%s", escaped_directory, escaped_file, kBackToMenu);
    return escape_for_double_quotes(escaped_argument, sizeof escaped_argument, argument) &&
           format_text(command, capacity, "\"%s/%s\" \"%s\"%s", escaped_directory, escaped_file, escaped_argument,
                       kBackToMenu);
}

// A program that cannot run (the card taken out since the list was read, a
// folder, a file without leave to run) is found out while the shell still
// has its screen, and said so.
bool program_runnable(const char* directory, const char* file)
{
    char path[sizeof explorer_path + kNameCapacity];
    if (!format_into(path, "%s%s", directory, file))
        return false;
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode) && access(path, X_OK) == 0;
}

bool cannot_start()
{
    message_box(screen, "Cannot start program!", 0, message_skin());
    return false;
}

// The program was found runnable just before (see program_runnable).
bool replace_with_program(const char* directory, const char* file, const char* argument = nullptr)
{
    char command[2 * (sizeof explorer_path + kNameCapacity) + 2 * kArgumentCapacity + 64];
    if (!program_command(command, sizeof command, directory, file, argument))
        return cannot_start();
    save_settings();
    close_devices();
    platform_run("sync");
    SDL_Quit();
    Mix_CloseAudio();
    platform_chdir(directory);
    const char* const argv[] = {kSystemShell, "-c", command, nullptr};
    if (platform_replace_process(kSystemShell, argv) == 0)
        return true;
    restart_shell();
    return true;
}

} // namespace

namespace {

// The program runs in its own folder, so a path relative to the shell's
// folder is made absolute first: the program is given the file the user
// picked wherever it runs.
bool absolute_path(char (&absolute)[kArgumentCapacity], const char* path)
{
    if (path[0] == '/')
        return copy_text(absolute, path);
    char here[sizeof explorer_path];
    return getcwd(here, sizeof here) && format_into(absolute, "%s/%s", here, path);
}

bool start_link_program(const LinkRecord& record, const char* argument)
{
    // Checked first: the clock stays as it is for a program that cannot run.
    if (!program_runnable(record.program_dir, record.program_file))
        return cannot_start();
    char params[512];
    format_into(params, "cpuclk=%s", record.cpu_mhz);
    apply_clock_params(params);
    if (std::strcmp(record.timing_tweak, "yes") == 0)
        apply_timing_tweak();
    return replace_with_program(record.program_dir, record.program_file, argument);
}

} // namespace

bool launch_link(const LinkRecord& record)
{
    return start_link_program(record, nullptr);
}

bool launch_link_on_file(const LinkRecord& record, const char* path)
{
    char absolute[kArgumentCapacity];
    if (!absolute_path(absolute, path))
        return cannot_start();
    return start_link_program(record, absolute);
}

bool launch_file(const char* file)
{
    if (!program_runnable(explorer_path, file))
        return cannot_start();
    return replace_with_program(explorer_path, file);
}
