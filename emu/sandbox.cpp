#include "emu/sandbox.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kMostBoots = 100;   // a console that keeps rebooting is stopped
constexpr const char* kBubblewrap = "/usr/bin/bwrap";

// What the console does when it starts: the boot script when there is one,
// else the launcher.
constexpr const char* kBootCommand =
    "if [ -f /etc/rc.d/rc.local ]; then exec /bin/sh /etc/rc.d/rc.local; fi; cd /usr/gp2x && exec ./gp2xmenu";

// A "cp" that fails when it copies to $KORVO_EMU_FAIL_COPY_TO, as cp does
// on a full NAND: a single file is left with half its bytes; a copy into a
// folder is made, then the last file written is cut to half. Any other
// copy, and one whose source is missing (which writes nothing), is the real
// one.
constexpr const char* kFailingCopy = R"(#!/bin/sh
for last in "$@"; do :; done
if [ "$#" -lt 2 ] || [ "$last" != "$KORVO_EMU_FAIL_COPY_TO" ]; then exec /bin/cp "$@"; fi
if [ -d "$last" ]; then
  /bin/cp "$@" || exit 1
  cut=$(find "$last" -type f | sort | tail -n 1)
  [ -n "$cut" ] && truncate -s $(($(wc -c < "$cut") / 2)) "$cut"
else
  eval "source=\${$(($# - 1))}"
  [ -f "$source" ] || exec /bin/cp "$@"
  size=$(wc -c < "$source")
  head -c $((size / 2)) "$source" > "$last"
fi
echo "cp: error writing '$last': No space left on device" >&2
exit 1
)";

void add(std::vector<std::string>& command, std::initializer_list<std::string> words)
{
    command.insert(command.end(), words);
}

// Everything in a host folder bound back read-only over the empty folder
// that hides it, but for the one entry the console puts there.
void bind_back(std::vector<std::string>& command, const std::string& folder, const std::string& except)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename();
        if (name == except)
            continue;
        std::string path = entry.path();
        if (entry.is_symlink(error))
            add(command, {"--symlink", fs::read_symlink(entry.path(), error).string(), path});
        else
            add(command, {"--ro-bind", path, path});
    }
}

std::string tree(const BootOptions& o, const char* part)
{
    return o.dir + "/tree" + part;
}

void add_environment(std::vector<std::string>& command, const BootOptions& o)
{
    add(command, {"--setenv", "KORVO_EMU_DIR", o.dir, "--setenv", "KORVO_EMU_SCALE", std::to_string(o.scale)});
    if (!o.script.empty())
        add(command, {"--setenv", "KORVO_EMU_SCRIPT", o.dir + "/state/script"});
    if (o.clock > 0)
        add(command, {"--setenv", "KORVO_EMU_TIME", std::to_string(o.clock)});
    if (o.headless)
        add(command, {"--setenv", "SDL_VIDEODRIVER", "dummy"});
    if (o.headless || !std::getenv("SDL_AUDIODRIVER"))
        add(command, {"--setenv", "SDL_AUDIODRIVER", "dummy"});
    if (o.cut_power_after > 0)
        add(command, {"--setenv", "KORVO_EMU_CUT_POWER_AFTER", std::to_string(o.cut_power_after)});
    if (!o.fail_copy_to.empty()) {
        const char* path = std::getenv("PATH");
        add(command, {"--setenv", "PATH", o.dir + "/state/faults:" + (path ? path : "/usr/bin:/bin"),
                      "--setenv", "KORVO_EMU_FAIL_COPY_TO", o.fail_copy_to});
    }
}

void add_display(std::vector<std::string>& command)
{
    if (fs::exists("/tmp/.X11-unix"))
        add(command, {"--ro-bind", "/tmp/.X11-unix", "/tmp/.X11-unix"});
    const char* authority = std::getenv("XAUTHORITY");
    if (authority && fs::exists(authority))
        add(command, {"--ro-bind", authority, authority});
}

void log_line(const BootOptions& o, const std::string& line)
{
    std::ofstream(o.dir + "/state/boot.log", std::ios::app) << line << "\n";
}

std::string read_control(const BootOptions& o)
{
    std::ifstream in(o.dir + "/state/control");
    std::string word;
    in >> word;
    return word;
}

bool prepare_run(const BootOptions& o)
{
    if (!o.script.empty()) {
        std::error_code error;
        fs::copy_file(o.script, o.dir + "/state/script", fs::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "korvo-emu: cannot read the script %s: %s\n", o.script.c_str(),
                         error.message().c_str());
            return false;
        }
    }
    if (!o.fail_copy_to.empty()) {
        fs::create_directories(o.dir + "/state/faults");
        std::string cp = o.dir + "/state/faults/cp";
        std::ofstream(cp) << kFailingCopy;
        fs::permissions(cp, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    }
    return true;
}

// Starts one boot; its process, or -1.
pid_t start_boot(const BootOptions& o, const std::string& program)
{
    std::vector<std::string> words = sandbox_command(o, program);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::string log = o.dir + "/state/console.log";
    std::fflush(nullptr);
    pid_t child = fork();
    if (child != 0)
        return child;
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        close(out);
    }
    int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0)
        dup2(nothing, STDIN_FILENO);
    execv(argv[0], argv.data());
    std::fprintf(stderr, "korvo-emu: cannot start %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
}

long long now_ms()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Waits for a boot to end; false when the deadline (0: none) came first and
// the sandbox was stopped.
bool wait_for_boot(pid_t child, long long deadline_ms, int& status)
{
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return true;
        if (deadline_ms && now_ms() > deadline_ms) {
            kill(child, SIGKILL);   // the sandbox's PID namespace goes with it
            waitpid(child, &status, 0);
            return false;
        }
        usleep(20000);
    }
}

} // namespace

std::vector<std::string> sandbox_command(const BootOptions& o, const std::string& program)
{
    std::vector<std::string> command = {kBubblewrap, "--ro-bind", "/", "/", "--dev", "/dev", "--proc", "/proc",
                                        "--tmpfs", "/tmp", "--tmpfs", "/usr"};
    bind_back(command, "/usr", "gp2x");
    add(command, {"--bind", tree(o, "/usr/gp2x"), "/usr/gp2x", "--remount-ro", "/usr", "--tmpfs", "/etc"});
    bind_back(command, "/etc", "rc.d");
    add(command, {"--bind", tree(o, "/etc/rc.d"), "/etc/rc.d", "--remount-ro", "/etc", "--bind", tree(o, "/mnt"),
                  "/mnt"});
    add_display(command);
    add(command, {"--bind", o.dir, o.dir, "--unshare-pid", "--die-with-parent", "--new-session", "--chdir",
                  "/usr/gp2x"});
    add_environment(command, o);
    add(command, {"/bin/sh", "-c", program});
    return command;
}

RunEnd run_console(const BootOptions& o)
{
    if (access(kBubblewrap, X_OK) != 0) {
        std::fprintf(stderr, "korvo-emu: %s is missing (Debian package bubblewrap)\n", kBubblewrap);
        return RunEnd::NoSandbox;
    }
    if (!prepare_run(o))
        return RunEnd::NoSandbox;
    long long deadline = o.timeout_s > 0 ? now_ms() + o.timeout_s * 1000LL : 0;
    for (int boot = 1; boot <= kMostBoots; ++boot) {
        fs::remove(o.dir + "/state/control");
        std::string program = kBootCommand;
        std::string runs = fs::exists(tree(o, "/etc/rc.d/rc.local")) ? "/etc/rc.d/rc.local" : "/usr/gp2x/gp2xmenu";
        if (boot == 1 && !o.first_program.empty()) {
            program = "cd \"$(dirname '" + o.first_program + "')\" && exec '" + o.first_program + "'";
            runs = o.first_program;
        }
        log_line(o, "boot " + std::to_string(boot) + ": " + runs);
        pid_t child = start_boot(o, program);
        if (child < 0)
            return RunEnd::NoSandbox;
        int status = 0;
        if (!wait_for_boot(child, deadline, status)) {
            log_line(o, "timed out");
            return RunEnd::TimedOut;
        }
        std::string how = read_control(o);
        log_line(o, "ended: " + (how.empty() ? "status " + std::to_string(WEXITSTATUS(status)) : how));
        if (how == "reboot")
            continue;
        if (how == "power-off")
            return RunEnd::PowerOff;
        if (how == "script-end")
            return RunEnd::ScriptEnd;
        if (how == "quit")
            return RunEnd::Quit;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 1 && boot == 1) {
            // bwrap itself fails with 1 before anything ran when it has no namespaces.
            std::ifstream log(o.dir + "/state/console.log");
            std::stringstream text;
            text << log.rdbuf();
            if (text.str().find("bwrap:") != std::string::npos)
                return RunEnd::NoSandbox;
        }
        return RunEnd::Stopped;
    }
    log_line(o, "stopped after " + std::to_string(kMostBoots) + " boots");
    return RunEnd::Stopped;
}

int exit_status(RunEnd end)
{
    switch (end) {
    case RunEnd::PowerOff:
    case RunEnd::ScriptEnd:
    case RunEnd::Quit:
        return 0;
    case RunEnd::Stopped:
        return 1;
    case RunEnd::TimedOut:
        return 2;
    case RunEnd::NoSandbox:
        return 3;
    }
    return 1;
}

const char* describe(RunEnd end)
{
    switch (end) {
    case RunEnd::PowerOff:
        return "the console was switched off";
    case RunEnd::ScriptEnd:
        return "the input script came to its end";
    case RunEnd::Quit:
        return "the window was closed";
    case RunEnd::Stopped:
        return "the console's programs all ended without a reboot";
    case RunEnd::TimedOut:
        return "the run took too long and was stopped";
    case RunEnd::NoSandbox:
        return "the sandbox could not be started";
    }
    return "?";
}
