#include "install/install_steps.h"

#include "core/files.h"
#include "core/start_check.h"
#include "core/text.h"
#include "platform/platform.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace {

constexpr size_t kPathSize = 600;

// --- the rule for the stock launcher ---
//
// The stock launcher the programs trust is
//   - "/usr/gp2x/gp2xmenu" while "/usr/gp2x/gph.gpu" does not exist (the
//     shell is not installed), and
//   - "/usr/gp2x/gph.gpu" once it exists. Only a first installation writes
//     it: copied from gp2xmenu to "gph.gpu.new", compared with gp2xmenu byte
//     for byte, renamed into place; nothing writes it again until the
//     uninstaller removes it, after gp2xmenu holds a checked copy of it.
// Either one is trusted only when it is a complete program and is not the
// shell itself. A launcher that fails this is never copied anywhere: the
// programs stop before they change anything.

// What must be true of the console for a step to run. The folder flags
// are fixed before the first step: a re-installation also fills a folder
// that an interrupted uninstallation already took away.
enum class When { Always, FirstInstallation, Reinstallation, ResourcesMissing, UsersMissing };

// What must hold after a step before the sequence goes on.
enum class Check {
    None,       // removals and syncs: a failure leaves nothing half done
    Folder,     // target is a folder
    SameFile,   // status 0, and target has source's bytes
    SameTree,   // status 0, and everything of source is under target
};

struct Step {
    const char* command;
    When when;
    Check check;
    const char* source;   // console paths start with "/", card paths do not
    const char* target;
    const char* what;     // what the user is told could not be done
};

constexpr const char* kLauncher = "/usr/gp2x/gp2xmenu";
constexpr const char* kKeptLauncher = "/usr/gp2x/gph.gpu";
constexpr const char* kBootScript = "/etc/rc.d/rc.local";
constexpr const char* kBootScriptBeside = "/etc/rc.d/rc.local.new";
constexpr const char* kBootScriptText = "#!/bin/sh\n"
                                        "cd /usr/gp2x\n"
                                        "./qz &\n"
                                        "exec ./gp2xmenu\n";
constexpr const char* kShell = "Korvo.gpe";

// The files written beside a launcher; removed again when a step fails.
constexpr std::array<const char*, 2> kBesideFiles = {"/usr/gp2x/gp2xmenu.new", "/usr/gp2x/gph.gpu.new"};

// Steps 3 to 15 of an installation (the reboot follows the last word on
// the screen). A re-installation first puts the
// stock launcher back at gp2xmenu, so that the console starts it rather
// than a shell whose files are being replaced; a first installation keeps
// the stock launcher as gph.gpu only once everything else is in place.
// The shell takes gp2xmenu's place by a rename, never by a removal.
constexpr std::array<Step, 20> kInstallSteps = {{
    {"cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu.new", When::Reinstallation, Check::SameFile,
     kKeptLauncher, "/usr/gp2x/gp2xmenu.new", "put the stock launcher back"},
    {"sync", When::Reinstallation, Check::None, nullptr, nullptr, nullptr},
    {"mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu", When::Reinstallation, Check::SameFile,
     kKeptLauncher, kLauncher, "put the stock launcher back"},
    {"sync", When::Reinstallation, Check::None, nullptr, nullptr, nullptr},
    {"mkdir /usr/gp2x/resources", When::ResourcesMissing, Check::Folder,
     nullptr, "/usr/gp2x/resources", "make /usr/gp2x/resources"},
    {"mkdir /usr/gp2x/user", When::UsersMissing, Check::Folder,
     nullptr, "/usr/gp2x/user", "make /usr/gp2x/user"},
    {"rm -r /usr/gp2x/links", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm  /usr/gp2x/resources/desktop.st", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm  /usr/gp2x/resources/settings.st", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"cp -rf resources/* /usr/gp2x/resources", When::Always, Check::SameTree,
     "resources", "/usr/gp2x/resources", "copy resources/"},
    {"cp -rf user/* /usr/gp2x/user", When::UsersMissing, Check::SameTree,
     "user", "/usr/gp2x/user", "copy user/"},
    {"cp ./qz /usr/gp2x/qz", When::Always, Check::SameFile,
     "qz", "/usr/gp2x/qz", "copy qz"},
    {"cp -f uninstall.gpe /usr/gp2x/uninstall.gpe", When::Always, Check::SameFile,
     "uninstall.gpe", "/usr/gp2x/uninstall.gpe", "copy uninstall.gpe"},
    {"cp /usr/gp2x/gp2xmenu /usr/gp2x/gph.gpu.new", When::FirstInstallation, Check::SameFile,
     kLauncher, "/usr/gp2x/gph.gpu.new", "keep the stock launcher"},
    {"sync", When::FirstInstallation, Check::None, nullptr, nullptr, nullptr},
    {"mv -f /usr/gp2x/gph.gpu.new /usr/gp2x/gph.gpu", When::FirstInstallation, Check::SameFile,
     kLauncher, kKeptLauncher, "keep the stock launcher"},
    {"cp ./Korvo.gpe /usr/gp2x/gp2xmenu.new", When::Always, Check::SameFile,
     kShell, "/usr/gp2x/gp2xmenu.new", "copy Korvo.gpe"},
    {"sync", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu", When::Always, Check::SameFile,
     kShell, kLauncher, "put Korvo in place"},
    {"sync", When::Always, Check::None, nullptr, nullptr, nullptr},
}};

// The uninstallation: the stock launcher goes back in place before
// anything of the shell is removed, and gph.gpu goes last, so that an
// interrupted run still counts as an installation and can be run again.
// Korvo no longer ships the SDL_gfx library; the copy an earlier version
// installed is still removed.
constexpr std::array<Step, 11> kUninstallSteps = {{
    {"cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu.new", When::Always, Check::SameFile,
     kKeptLauncher, "/usr/gp2x/gp2xmenu.new", "put the stock launcher back"},
    {"sync", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu", When::Always, Check::SameFile,
     kKeptLauncher, kLauncher, "put the stock launcher back"},
    {"sync", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm -rf /usr/gp2x/resources", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm -rf /usr/gp2x/user", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm -rf /usr/gp2x/links", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm -f /usr/gp2x/libSDL_gfx.so.0", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm /usr/gp2x/qz", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"rm /usr/gp2x/gph.gpu", When::Always, Check::None, nullptr, nullptr, nullptr},
    {"sync", When::Always, Check::None, nullptr, nullptr, nullptr},
}};

// The files the installer must find in its working directory.
struct CardFile {
    const char* name;
    bool folder;
};

constexpr std::array<CardFile, 5> kCardFiles = {{
    {"Korvo.gpe",     false},
    {"resources",     true},
    {"user",          true},
    {"qz",            false},
    {"uninstall.gpe", false},
}};

struct Situation {
    bool already_installed = false;
    bool resources_missing = false;
    bool users_missing = false;
};

// --- what the user sees: the screen, and the same lines in the log ---

// 23 lines of 8x8 text, 10 pixels apart, fit the 320x240 screen, each up
// to 39 characters wide.
constexpr int kScreenLines = 23;
constexpr size_t kLineSize = 40;

struct Report {
    char log[kPathSize];
    std::array<std::array<char, kLineSize>, kScreenLines> lines;
    int count = 0;
    const char* launcher_now = "the stock launcher";   // what gp2xmenu starts now
};

void append_to_log(const Report& r, const char* line)
{
    if (!r.log[0])
        return;
    File log = open_file(r.log, "a");
    if (log)
        std::fprintf(log.get(), "%s\n", line);
}

void show(const Report& r)
{
    std::array<const char*, kScreenLines> lines{};
    for (int i = 0; i < r.count; ++i)
        lines[static_cast<size_t>(i)] = r.lines[static_cast<size_t>(i)].data();
    platform_show_text(lines.data(), r.count);
}

// A line on the screen and in the log. When the screen is full the oldest
// lines but the title scroll away.
void say(Report& r, const char* line)
{
    if (r.count == kScreenLines) {
        for (int i = 2; i + 1 < kScreenLines; ++i)
            r.lines[static_cast<size_t>(i)] = r.lines[static_cast<size_t>(i + 1)];
        --r.count;
    }
    copy_text(r.lines[static_cast<size_t>(r.count)].data(), kLineSize, line);
    ++r.count;
    append_to_log(r, line);
    show(r);
}

// Details for the log only (commands, paths too long for the screen).
void note(const Report& r, const char* line)
{
    append_to_log(r, line);
}

void start_report(Report& r, const char* program, const char* log_name, const char* title)
{
    if (!log_path_beside(r.log, sizeof r.log, program, log_name))
        r.log[0] = '\0';
    time_t now = platform_time();
    char stamp[64] = "";
    struct tm when {};
    if (gmtime_r(&now, &when))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S UTC", &when);
    char heading[kPathSize];
    format_into(heading, "--- %s, %s", title, stamp);
    note(r, heading);
    say(r, title);
    say(r, "---------------------------------------");
}

// --- files under the console's root ---

void console_path(char (&out)[kPathSize], const char* root, const char* path)
{
    if (path[0] == '/')
        format_into(out, "%s%s", root, path);
    else
        copy_text(out, path);
}

bool holds(const Step& step, const char* root)
{
    if (step.check == Check::None)
        return true;
    char source[kPathSize] = "";
    char target[kPathSize];
    if (step.source)
        console_path(source, root, step.source);
    console_path(target, root, step.target);
    switch (step.check) {
    case Check::None:
        return true;
    case Check::Folder:
        return is_folder(target);
    case Check::SameFile:
        return same_file_contents(source, target);
    case Check::SameTree:
        return same_tree_contents(source, target);
    }
    return true;
}

bool applies(When when, const Situation& s)
{
    switch (when) {
    case When::Always:
        return true;
    case When::FirstInstallation:
        return !s.already_installed;
    case When::Reinstallation:
        return s.already_installed;
    case When::ResourcesMissing:
        return s.resources_missing;
    case When::UsersMissing:
        return s.users_missing;
    }
    return true;
}

// Runs the steps that apply; the first that did not hold, or nullptr.
template <size_t N>
const Step* run_steps(const std::array<Step, N>& steps, const Situation& s, const char* root, Report& r)
{
    for (const Step& step : steps) {
        if (!applies(step.when, s))
            continue;
        note(r, step.command);
        int status = platform_run(step.command);
        bool status_counts = step.check == Check::SameFile || step.check == Check::SameTree;
        if ((status_counts && status != 0) || !holds(step, root)) {
            char line[kPathSize];
            format_into(line, "failed (status %d): %s", status, step.command);
            note(r, line);
            return &step;
        }
        if (step.target && !std::strcmp(step.target, kLauncher))
            r.launcher_now = !std::strcmp(step.source, kShell) ? "Korvo" : "the stock launcher";
    }
    return nullptr;
}

// After a stop: no half copy of a launcher takes room on the NAND, and
// what is in place stays in place.
void clean_up_after_stop(const char* root)
{
    for (const char* beside : kBesideFiles) {
        char path[kPathSize];
        console_path(path, root, beside);
        if (is_readable(path)) {
            char command[kPathSize];
            format_into(command, "rm -f %s", beside);
            platform_run(command);
        }
    }
    platform_run("sync");
}

void tell_stop(Report& r, const char* headline, const Step& failed)
{
    char line[kPathSize];
    say(r, headline);
    format_into(line, "Could not %s", failed.what);
    say(r, line);
    say(r, "(is the NAND full?).");
    say(r, "The console still starts");
    format_into(line, "%s.", r.launcher_now);
    say(r, line);
}

// --- before any change ---

// A boot script that cannot be written is skipped; the steps still run.
// It is written beside and renamed, so a power cut leaves the old script
// or the new one, never a cut one that starts nothing. It is made
// executable before the rename: the firmware's start-up may run it as a
// program rather than through a shell.
void write_boot_script(const char* root, Report& r)
{
    char beside[kPathSize];
    console_path(beside, root, kBootScriptBeside);
    bool written = false;
    {
        File script = open_file(beside, "wt");
        if (script)
            written = std::fputs(kBootScriptText, script.get()) >= 0 && std::fflush(script.get()) == 0 &&
                      !std::ferror(script.get()) && fchmod(fileno(script.get()), 0755) == 0;
    }
    if (written) {
        platform_run("sync");
        platform_run("mv -f /etc/rc.d/rc.local.new /etc/rc.d/rc.local");
        return;
    }
    note(r, "the boot script /etc/rc.d/rc.local could not be written; it is left as it was");
    if (is_readable(beside))
        platform_run("rm -f /etc/rc.d/rc.local.new");
}

// The names of the card files missing from the working directory, as one
// line; empty when all are there.
void missing_card_files(char (&out)[kPathSize])
{
    out[0] = '\0';
    for (const CardFile& file : kCardFiles) {
        bool there = file.folder ? is_folder(file.name) : is_file(file.name);
        if (there)
            continue;
        if (out[0])
            append_text(out, ", ");
        append_text(out, file.name);
        if (file.folder)
            append_text(out, "/");
    }
}

// A launcher the rule above lets the programs keep and copy back.
bool trusted_launcher(const char* path)
{
    return is_complete_program(path) && !same_file_contents(path, kShell);
}

// Why the installer must not start, or nullptr; missing gets the card
// files it lacks (empty when none). Writes nothing.
const char* installer_refusal(const char* root, Situation& s, Report& r, char (&missing)[kPathSize])
{
    missing_card_files(missing);
    if (missing[0]) {
        char line[kPathSize];
        format_into(line, "missing in the working directory: %s", missing);
        note(r, line);
        return "Start the installer in the folder\n"
               "that holds Korvo.gpe, resources/,\n"
               "user/, qz and uninstall.gpe.\n"
               "Missing here:";
    }
    if (!is_complete_program(kShell))
        return "Korvo.gpe is incomplete:\ncopy it onto the card again.";
    char kept[kPathSize];
    char launcher[kPathSize];
    console_path(kept, root, kKeptLauncher);
    console_path(launcher, root, kLauncher);
    // As the recovery screen decides it: gph.gpu readable means installed.
    s.already_installed = is_readable(kept);
    if (s.already_installed && !trusted_launcher(kept))
        return "The kept stock launcher\n/usr/gp2x/gph.gpu is incomplete.";
    if (!s.already_installed && !trusted_launcher(launcher))
        return "/usr/gp2x/gp2xmenu is not a complete\nstock launcher.";
    // The new script is renamed over the path: into a folder there it
    // would go, and the console would boot without it.
    char script[kPathSize];
    console_path(script, root, kBootScript);
    if (!is_file_or_absent(script))
        return "The boot script's place\n/etc/rc.d/rc.local holds something\nthat is not a file (a folder?).";
    char folder[kPathSize];
    console_path(folder, root, "/usr/gp2x/resources");
    s.resources_missing = !s.already_installed || !is_folder(folder);
    console_path(folder, root, "/usr/gp2x/user");
    s.users_missing = !s.already_installed || !is_folder(folder);
    return nullptr;
}

// Says a text in lines that fit the screen: at its line feeds, and at
// blanks where a line would be too wide.
void say_wrapped(Report& r, const char* text)
{
    constexpr size_t kWidth = kLineSize - 1;
    while (*text) {
        size_t length = std::strcspn(text, "\n");
        if (length > kWidth) {
            length = kWidth;
            while (length > 0 && text[length] != ' ')
                --length;
            if (length == 0)
                length = kWidth;
        }
        char line[kLineSize];
        copy_text(line, sizeof line, std::string_view(text, length));
        say(r, line);
        text += length;
        if (*text == '\n' || *text == ' ')
            ++text;
    }
}

// details, when not empty, follows the reason on lines of its own.
void tell_refusal(Report& r, const char* headline, const char* reason, const char* details = "")
{
    say(r, headline);
    say_wrapped(r, reason);
    say_wrapped(r, details);
    say(r, "Nothing was changed.");
}

// --- the start check ---

// A shell that ends its start check within this is taken to start; one
// still running then is stopped.
constexpr int kStartCheckMs = 5000;
// The loader also binds every function at once, so that a function the
// console's libraries lack fails the check rather than its first call.
constexpr std::array<const char*, 3> kStartCheckSettings = {kStartCheckSetting, "LD_BIND_NOW=1", nullptr};
constexpr size_t kCheckOutputSize = 1024;
constexpr size_t kShownOutputSize = 240;   // six lines of the screen

// What the shell wrote, for the screen: printable characters and line
// feeds, no trailing blank, no more than six lines' worth.
void output_for_screen(char (&out)[kShownOutputSize], const char* output)
{
    size_t n = 0;
    for (const char* c = output; *c && n + 1 < sizeof out; ++c)
        out[n++] = *c == '\n' || (*c >= 32 && *c < 127) ? *c : ' ';
    while (n > 0 && (out[n - 1] == '\n' || out[n - 1] == ' '))
        --n;
    out[n] = '\0';
}

// The shell's output in the log, each line marked as its own.
void note_output(const Report& r, const char* output)
{
    while (*output) {
        size_t length = std::strcspn(output, "\n");
        char line[kPathSize];
        format_into(line, "  | %.*s", static_cast<int>(length), output);
        note(r, line);
        output += length;
        if (*output)
            ++output;
    }
}

// Runs the card's Korvo.gpe in its start check. True when it passed;
// otherwise the screen and the log say how it ended and what it wrote.
bool shell_starts(Report& r)
{
    note(r, "start check: ./Korvo.gpe with KORVO_START_CHECK=1 LD_BIND_NOW=1");
    const char* const argv[] = {"./Korvo.gpe", nullptr};
    char output[kCheckOutputSize];
    ProgramRun run = platform_try_program(argv[0], argv, kStartCheckSettings.data(), kStartCheckMs, output,
                                          sizeof output);
    note_output(r, output);
    if (run.end == ProgramEnd::Exited && run.code == 0) {
        note(r, "start check: passed");
        return true;
    }
    char reason[kPathSize];
    switch (run.end) {
    case ProgramEnd::Exited:
        format_into(reason, "Korvo.gpe does not start on this\nconsole: it ended with status %d.", run.code);
        break;
    case ProgramEnd::Signalled:
        format_into(reason, "Korvo.gpe does not start on this\nconsole: it was stopped by signal %d.", run.code);
        break;
    case ProgramEnd::TimedOut:
        format_into(reason,
                    "Korvo.gpe does not start on this\nconsole: it did not end its start\n"
                    "check within %d seconds.",
                    kStartCheckMs / 1000);
        break;
    case ProgramEnd::NotRun:
        copy_text(reason, "Korvo.gpe could not be tried out:\nno program can be started now.");
        break;
    }
    char shown[kShownOutputSize];
    output_for_screen(shown, output);
    tell_refusal(r, "Korvo was NOT installed.", reason, shown);
    return false;
}

// Runs the steps that apply. A stop is cleaned up after and told under
// stopped (1); a finished run says done and reboots (0).
template <size_t N>
int carry_out(Report& r, const std::array<Step, N>& steps, const Situation& s, const char* root,
              const char* stopped, const char* done)
{
    const Step* failed = run_steps(steps, s, root, r);
    if (failed) {
        clean_up_after_stop(root);
        tell_stop(r, stopped, *failed);
        return 1;
    }
    say(r, done);
    platform_run("reboot");
    return 0;
}

} // namespace

bool log_path_beside(char* out, unsigned long capacity, const char* program, const char* log_name)
{
    const char* slash = program ? std::strrchr(program, '/') : nullptr;
    if (!slash)
        return copy_text(out, capacity, log_name);
    int folder = static_cast<int>(slash - program);
    return format_text(out, capacity, "%.*s/%s", folder, program, log_name);
}

int run_installer(const char* root, const char* program)
{
    Report r{};
    start_report(r, program, "installer.log", "Korvo installer");
    Situation s;
    char missing[kPathSize];
    if (const char* refusal = installer_refusal(root, s, r, missing)) {
        tell_refusal(r, "Korvo was NOT installed.", refusal, missing);
        return 1;
    }
    if (!shell_starts(r))
        return 1;
    r.launcher_now = s.already_installed ? "Korvo, as before" : "the stock launcher";
    say(r, s.already_installed ? "Installing Korvo again." : "Installing Korvo.");
    say(r, "Do not switch the console off.");
    write_boot_script(root, r);
    return carry_out(r, kInstallSteps, s, root, "Korvo was NOT installed.", "Korvo is installed. Restarting...");
}

int run_uninstaller(const char* root, const char* program)
{
    Report r{};
    start_report(r, program, "uninstall.log", "Korvo uninstaller");
    char kept[kPathSize];
    console_path(kept, root, kKeptLauncher);
    if (!is_readable(kept)) {
        tell_refusal(r, "Korvo is not installed.", "/usr/gp2x/gph.gpu is missing.");
        return 1;
    }
    if (!is_complete_program(kept)) {
        tell_refusal(r, "Korvo was NOT uninstalled.", "The kept stock launcher\n/usr/gp2x/gph.gpu is incomplete.");
        return 1;
    }
    r.launcher_now = "Korvo, as before";
    say(r, "Removing Korvo.");
    say(r, "Do not switch the console off.");
    return carry_out(r, kUninstallSteps, Situation{}, root, "Korvo was NOT uninstalled.",
                     "Korvo is removed. Restarting...");
}
