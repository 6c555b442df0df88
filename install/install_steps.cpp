#include "install/install_steps.h"

#include "core/files.h"
#include "core/text.h"
#include "platform/platform.h"

#include <array>
#include <cstdio>

namespace {

enum class When { Always, FirstInstallation };

// What must hold after a step before the sequence may go on. Every other
// step is fire-and-forget; these guard the only copies of the stock launcher
// that the removals after them would otherwise destroy on a full or failing
// NAND.
enum class Check {
    None,
    LaunchersMatchOnReinstall,   // gp2xmenu == gph.gpu, when gph.gpu existed before
    LaunchersMatch,              // gp2xmenu == gph.gpu
};

struct Step {
    const char* command;
    When when;
    Check check;
};

// Steps 3 to 17 of an installation. Step 12 fails harmlessly on a first
// installation (there is no gph.gpu yet), so it is only checked when the
// shell was installed before: then step 13 overwrites gph.gpu with whatever
// step 12 left in gp2xmenu.
constexpr std::array<Step, 16> kInstallSteps = {{
    {"mkdir /usr/gp2x/resources",                      When::FirstInstallation, Check::None},
    {"mkdir /usr/gp2x/user",                           When::FirstInstallation, Check::None},
    {"rm -r /usr/gp2x/links",                          When::Always,            Check::None},
    {"rm  /usr/gp2x/resources/desktop.st",             When::Always,            Check::None},
    {"rm  /usr/gp2x/resources/settings.st",            When::Always,            Check::None},
    {"cp -rf resources/* /usr/gp2x/resources",         When::Always,            Check::None},
    {"cp -rf user/* /usr/gp2x/user",                   When::FirstInstallation, Check::None},
    {"cp -f libSDL_gfx.so.0 /usr/gp2x/libSDL_gfx.so.0", When::Always,           Check::None},
    {"cp ./qz /usr/gp2x/qz",                           When::Always,            Check::None},
    {"cp -f uninstall.gpe /usr/gp2x/uninstall.gpe",    When::Always,            Check::None},
    {"cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu",        When::Always,            Check::LaunchersMatchOnReinstall},
    {"cp /usr/gp2x/gp2xmenu /usr/gp2x/gph.gpu",        When::Always,            Check::LaunchersMatch},
    {"rm /usr/gp2x/gp2xmenu",                          When::Always,            Check::None},
    {"cp ./Korvo.gpe /usr/gp2x/gp2xmenu",              When::Always,            Check::None},
    {"sync",                                           When::Always,            Check::None},
    {"reboot",                                         When::Always,            Check::None},
}};

constexpr std::array<Step, 9> kUninstallSteps = {{
    {"rm -rf /usr/gp2x/resources",                     When::Always,            Check::None},
    {"rm -rf /usr/gp2x/user",                          When::Always,            Check::None},
    {"rm -rf /usr/gp2x/links",                         When::Always,            Check::None},
    {"rm -f /usr/gp2x/libSDL_gfx.so.0",                When::Always,            Check::None},
    {"rm /usr/gp2x/qz",                                When::Always,            Check::None},
    {"cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu",        When::Always,            Check::LaunchersMatch},
    {"rm /usr/gp2x/gph.gpu",                           When::Always,            Check::None},
    {"sync",                                           When::Always,            Check::None},
    {"reboot",                                         When::Always,            Check::None},
}};

constexpr const char* kKeptLauncher = "/usr/gp2x/gph.gpu";
constexpr const char* kLauncher = "/usr/gp2x/gp2xmenu";
constexpr const char* kBootScript = "/etc/rc.d/rc.local";
constexpr const char* kBootScriptText = "#!/bin/sh\n"
                                        "cd /usr/gp2x\n"
                                        "./qz &\n"
                                        "exec ./gp2xmenu\n";

struct Paths {
    char kept_launcher[600];
    char launcher[600];
    char boot_script[600];
};

Paths paths_under(const char* root)
{
    Paths p;
    format_into(p.kept_launcher, "%s%s", root, kKeptLauncher);
    format_into(p.launcher, "%s%s", root, kLauncher);
    format_into(p.boot_script, "%s%s", root, kBootScript);
    return p;
}

// A boot script that cannot be written is skipped; the steps still run.
void write_boot_script(const char* path)
{
    File script = open_file(path, "w");
    if (script)
        std::fputs(kBootScriptText, script.get());
}

bool check_holds(Check check, bool already_installed, const Paths& p)
{
    switch (check) {
    case Check::None:
        return true;
    case Check::LaunchersMatchOnReinstall:
        return !already_installed || same_file_contents(p.launcher, p.kept_launcher);
    case Check::LaunchersMatch:
        return same_file_contents(p.launcher, p.kept_launcher);
    }
    return true;
}

template <size_t N>
const Step* run_steps(const std::array<Step, N>& steps, bool already_installed, const Paths& p)
{
    for (const Step& step : steps) {
        if (step.when == When::FirstInstallation && already_installed)
            continue;
        platform_run(step.command);
        if (!check_holds(step.check, already_installed, p))
            return &step;
    }
    return nullptr;
}

void report_failed_copy(const char* program, const char* what)
{
    std::fprintf(stderr,
                 "%s: %s failed (is the NAND full?).\n"
                 "%s: stopped before removing anything more; the stock launcher is kept and the console "
                 "was not restarted.\n",
                 program, what, program);
}

} // namespace

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
        if (n != m)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (block_a[i] != block_b[i])
                return false;
        if (n < sizeof block_a)
            return !std::ferror(first.get()) && !std::ferror(second.get());
    }
}

int run_installer(const char* root)
{
    Paths p = paths_under(root);
    // After an installation gph.gpu holds the stock launcher, so its
    // presence means the shell was installed before.
    bool already_installed = open_file(p.kept_launcher, "r") != nullptr;
    write_boot_script(p.boot_script);
    const Step* failed = run_steps(kInstallSteps, already_installed, p);
    if (!failed)
        return 0;
    if (failed->check == Check::LaunchersMatchOnReinstall)
        report_failed_copy("installer", "copying the stock launcher from /usr/gp2x/gph.gpu back to /usr/gp2x/gp2xmenu");
    else
        report_failed_copy("installer", "keeping the stock launcher as /usr/gp2x/gph.gpu");
    return 1;
}

int run_uninstaller(const char* root)
{
    Paths p = paths_under(root);
    if (!run_steps(kUninstallSteps, false, p))
        return 0;
    report_failed_copy("uninstall", "putting the stock launcher from /usr/gp2x/gph.gpu back at /usr/gp2x/gp2xmenu");
    return 1;
}
