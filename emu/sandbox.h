// Booting the emulated console: each boot runs in a bubblewrap sandbox with
// new mount and PID namespaces, in which the tree appears at "/mnt",
// "/usr/gp2x" and "/etc/rc.d" and the rest of the host is read-only.
#pragma once

#include <string>
#include <vector>

struct BootOptions {
    std::string dir;              // the emulator's folder (tree/, state/, screenshots/)
    int scale = 2;                // window scale 1-3
    std::string script;           // input script, "" for keyboard and mouse
    bool headless = false;        // SDL's dummy video driver: no window
    int timeout_s = 0;            // 0: none; else the run is stopped after that long
    std::string fail_copy_to;     // a "cp" to this console path fails halfway
    int cut_power_after = 0;      // 0: none; else the power goes after that many commands
    std::string first_program;    // run instead of the boot script on the first boot
    long long clock = 0;          // 0: the host's clock; else it stands still at this time
};

// How a run ended.
enum class RunEnd { PowerOff, ScriptEnd, Quit, Stopped, TimedOut, NoSandbox };

// The bubblewrap command line of one boot.
std::vector<std::string> sandbox_command(const BootOptions& options, const std::string& program);

// Boots until the console is powered off, the script ends, the window is
// closed or the boot's programs all end without a reboot. Each boot and how
// it ended goes to "state/boot.log"; the programs' output to
// "state/console.log".
RunEnd run_console(const BootOptions& options);
// Exit status of the emulator for a run's end (0 for an orderly end).
int exit_status(RunEnd end);
const char* describe(RunEnd end);
