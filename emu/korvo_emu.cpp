// korvo-emu: lays out the emulated console's files and boots it in a
// sandbox, in a window or (with no display) headless. See README.md.
#include "emu/console_tree.h"
#include "emu/sandbox.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage: korvo-emu [options]\n"
    "  --dir DIR          the emulator's folder (default: the build's console/)\n"
    "  --fresh            lay out a fresh console: a new card, NAND and firmware\n"
    "  --scale N          window scale 1, 2 or 3 (default 2; F10 changes it)\n"
    "  --script FILE      input script instead of keyboard and mouse\n"
    "  --headless         no window (SDL's dummy video driver)\n"
    "  --timeout SECONDS  stop a run that takes longer\n"
    "  --fail-copy-to P   make a \"cp\" to the console path P fail halfway (a full NAND)\n"
    "  --cut-power-after N  cut the power after the run's Nth command (run by any program)\n"
    "  --first PROGRAM    boot once into PROGRAM (a console path) instead of the boot script\n"
    "  --clock SECONDS    the console's clock stands still at SECONDS since 1970\n";

struct Options {
    BootOptions boot;
    bool fresh = false;
};

bool parse_number(const char* text, int low, int high, int& value)
{
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < low || n > high)
        return false;
    value = static_cast<int>(n);
    return true;
}

// False (usage printed) for anything not understood.
bool parse_options(int argc, char** argv, Options& o)
{
    o.boot.dir = std::string(KORVO_BINARY_DIR) + "/console";
    o.boot.headless = !std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER");
    int clock = 0;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool takes_value = option == "--dir" || option == "--scale" || option == "--script" ||
                           option == "--timeout" || option == "--fail-copy-to" || option == "--first" ||
                           option == "--cut-power-after" ||
                           option == "--clock";
        if (takes_value && !value) {
            std::fprintf(stderr, "korvo-emu: %s needs a value\n%s", option.c_str(), kUsage);
            return false;
        }
        bool ok = true;
        if (option == "--fresh")
            o.fresh = true;
        else if (option == "--headless")
            o.boot.headless = true;
        else if (option == "--dir")
            o.boot.dir = value;
        else if (option == "--scale")
            ok = parse_number(value, 1, 3, o.boot.scale);
        else if (option == "--script")
            o.boot.script = value;
        else if (option == "--timeout")
            ok = parse_number(value, 1, 24 * 3600, o.boot.timeout_s);
        else if (option == "--fail-copy-to")
            o.boot.fail_copy_to = value;
        else if (option == "--cut-power-after")
            ok = parse_number(value, 1, 100000, o.boot.cut_power_after);
        else if (option == "--first")
            o.boot.first_program = value;
        else if (option == "--clock") {
            ok = parse_number(value, 1, 2000000000, clock);
            o.boot.clock = clock;
        }
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "korvo-emu: cannot use %s%s%s\n%s", option.c_str(), takes_value ? " " : "",
                         takes_value ? value : "", kUsage);
            return false;
        }
        i += takes_value ? 1 : 0;
    }
    return true;
}

// A relative folder is taken from where the emulator was started: the
// sandbox starts elsewhere.
std::string absolute(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char here[4096];
    if (!getcwd(here, sizeof here))
        return path;
    return std::string(here) + "/" + path;
}

// The installer and the uninstaller write plain text on the console's
// screen; the last such screen of the run is repeated here.
void print_text_screen(const std::string& dir)
{
    std::FILE* screen = std::fopen((dir + "/state/screen.txt").c_str(), "r");
    if (!screen)
        return;
    std::printf("  last text on the console's screen:\n");
    char line[256];
    while (std::fgets(line, sizeof line, screen))
        std::printf("    %s", line);
    std::fclose(screen);
}

bool asks_for_help(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h"))
            return true;
    return false;
}

// A script that cannot be read is named before anything is laid out, so
// the run does not end in a puzzling failure to start the sandbox.
bool script_readable(const std::string& script)
{
    if (script.empty())
        return true;
    std::FILE* file = std::fopen(script.c_str(), "r");
    // A folder opens but does not read.
    bool readable = file && (std::fgetc(file) != EOF || !std::ferror(file));
    int error = file && !readable ? EISDIR : errno;
    if (file)
        std::fclose(file);
    if (!readable)
        std::fprintf(stderr, "korvo-emu: cannot read the input script %s: %s\n", script.c_str(),
                     std::strerror(error));
    return readable;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (asks_for_help(argc, argv)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parse_options(argc, argv, o))
        return 64;
    o.boot.dir = absolute(o.boot.dir);
    o.boot.script = absolute(o.boot.script);
    if (!script_readable(o.boot.script))
        return 66;
    TreeSources sources{KORVO_SOURCE_DIR, KORVO_BINARY_DIR};
    if (!claim_emulator_folder(o.boot.dir))
        return 3;
    if (!lay_out_tree(o.boot.dir, sources, o.fresh) || !reset_state(o.boot.dir))
        return 3;
    std::printf("korvo-emu: console in %s/tree, booting%s\n", o.boot.dir.c_str(),
                o.boot.headless ? " headless" : "");
    std::fflush(stdout);
    RunEnd end = run_console(o.boot);
    std::printf("korvo-emu: %s.\n  boots: %s/state/boot.log\n  output: %s/state/console.log\n"
                "  screenshots: %s/screenshots/\n",
                describe(end), o.boot.dir.c_str(), o.boot.dir.c_str(), o.boot.dir.c_str());
    print_text_screen(o.boot.dir);
    return exit_status(end);
}
