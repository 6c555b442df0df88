#include "emu/console_tree.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kCardFolder = "tree/mnt/sd/korvo";

// Programs of the build copied into the tree: build file, place in the tree.
struct Placement {
    std::string_view built;
    std::string_view placed;
};

// The shell's own programs, refreshed on every run.
constexpr std::array<Placement, 3> kShellPrograms = {{
    {"Korvo.gpe",                 "tree/mnt/sd/korvo/Korvo.gpe"},
    {"installer.gpe",             "tree/mnt/sd/korvo/installer.gpe"},
    {"uninstall.gpe",             "tree/mnt/sd/korvo/uninstall.gpe"},
}};

// The firmware stand-ins and the sample programs, placed once.
constexpr std::array<Placement, 7> kStandIns = {{
    {"emu/stock_launcher",        "tree/usr/gp2x/gp2xmenu"},
    {"emu/firmware_program",      "tree/usr/gp2x/LineDraw.gpe"},
    {"emu/firmware_program",      "tree/usr/gp2x/TCPMP.gpe"},
    {"emu/firmware_program",      "tree/usr/gp2x/ts_calibrate"},
    {"emu/sample_program",        "tree/mnt/sd/games/blocks/Blocks.gpe"},
    {"emu/sample_program",        "tree/mnt/sd/apps/notes/Notes.gpe"},
    {"emu/sample_program",        "tree/mnt/sd/ports/cave/Cave.gpe"},
}};

// Scripts of the source tree placed once.
constexpr std::array<Placement, 2> kScripts = {{
    {"emu/card/qz",               "tree/mnt/sd/korvo/qz"},
    {"emu/card/hello.gpe",        "tree/mnt/sd/emus/hello/hello.gpe"},
}};

// Files of the source tree for the sample emulator "hello", placed once
// after the delivered user/: its readme, a ROM and a saved game in its
// folder "roms", and admin's link to it, which names that folder and the
// ROMs' file types.
constexpr std::array<Placement, 4> kSamples = {{
    {"emu/card/readme.txt",       "tree/mnt/sd/emus/hello/readme.txt"},
    {"emu/card/sample.gb",        "tree/mnt/sd/emus/hello/roms/sample.gb"},
    {"emu/card/sample.sav",       "tree/mnt/sd/emus/hello/roms/sample.sav"},
    {"emu/card/hello.lk",         "tree/mnt/sd/korvo/user/admin/links/emus/hello.lk"},
}};

constexpr std::array<std::string_view, 4> kFolders = {
    "tree/mnt/nand", "tree/etc/rc.d", "tree/mnt/sd/images", "screenshots"};

bool copy_one(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error) {
        std::fprintf(stderr, "korvo-emu: cannot copy %s to %s: %s\n", from.c_str(), to.c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}

bool place_all(const std::string& dir, const std::string& base, const Placement* first, size_t count)
{
    bool ok = true;
    for (size_t i = 0; i < count; ++i)
        ok = copy_one(fs::path(base) / first[i].built, fs::path(dir) / first[i].placed) && ok;
    return ok;
}

// Whatever of resources/ and user/ the source tree has (they grow while the
// shell is being built).
void copy_delivered_trees(const std::string& dir, const TreeSources& from)
{
    for (const char* name : {"resources", "user"}) {
        fs::path target = fs::path(dir) / kCardFolder / name;
        std::error_code error;
        fs::create_directories(target, error);
        fs::path source = fs::path(from.source_dir) / name;
        if (fs::is_directory(source))
            fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
        if (error)
            std::fprintf(stderr, "korvo-emu: copying %s: %s\n", source.c_str(), error.message().c_str());
    }
}

// The paths go to python3 as arguments of their own, not through a shell
// command line, so no folder name can change the command.
void make_pictures(const std::string& dir, const TreeSources& from)
{
    std::string python = "/usr/bin/python3";
    std::string script = from.source_dir + "/emu/make_pictures.py";
    std::string images = dir + "/tree/mnt/sd/images";
    char* argv[] = {python.data(), script.data(), images.data(), nullptr};
    std::fflush(nullptr);
    pid_t child = 0;
    int status = 0;
    bool made = posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ) == 0 &&
                waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!made)
        std::fprintf(stderr, "korvo-emu: no sample pictures (needs /usr/bin/python3 with PIL: python3-pil)\n");
}

bool make_tree(const std::string& dir, const TreeSources& from)
{
    std::error_code error;
    for (std::string_view folder : kFolders)
        fs::create_directories(fs::path(dir) / folder, error);
    bool ok = place_all(dir, from.binary_dir, kStandIns.data(), kStandIns.size());
    ok = place_all(dir, from.source_dir, kScripts.data(), kScripts.size()) && ok;
    copy_delivered_trees(dir, from);
    ok = place_all(dir, from.source_dir, kSamples.data(), kSamples.size()) && ok;
    make_pictures(dir, from);
    return ok;
}

constexpr const char* kMarker = ".korvo-emu";

bool holds_only_emulator_parts(const fs::path& dir)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        std::string name = entry.path().filename();
        if (name != "tree" && name != "state" && name != "screenshots")
            return false;
    }
    return !error && fs::is_directory(dir / "tree/usr/gp2x");
}

} // namespace

bool claim_emulator_folder(const std::string& dir)
{
    fs::path folder = dir;
    std::error_code error;
    if (fs::exists(folder / kMarker, error))
        return true;
    fs::create_directories(folder, error);
    bool ours = fs::is_directory(folder, error) &&
                (fs::is_empty(folder, error) || holds_only_emulator_parts(folder));
    if (!ours) {
        std::fprintf(stderr,
                     "korvo-emu: %s holds files the emulator did not make; give it a new or empty folder\n",
                     dir.c_str());
        return false;
    }
    std::ofstream marker(folder / kMarker);
    marker << "made by korvo-emu: tree/, state/ and screenshots/ here are the emulator's\n";
    return static_cast<bool>(marker);
}

bool lay_out_tree(const std::string& dir, const TreeSources& from, bool fresh)
{
    std::error_code error;
    if (fresh) {
        for (const char* part : {"tree", "state", "screenshots"})
            fs::remove_all(fs::path(dir) / part, error);
    }
    bool ok = true;
    if (!fs::is_directory(fs::path(dir) / "tree/usr/gp2x"))
        ok = make_tree(dir, from);
    return place_all(dir, from.binary_dir, kShellPrograms.data(), kShellPrograms.size()) && ok;
}

bool reset_state(const std::string& dir)
{
    std::error_code error;
    fs::path state = fs::path(dir) / "state";
    fs::remove_all(state, error);
    fs::create_directories(state, error);
    fs::create_directories(fs::path(dir) / "screenshots", error);
    std::ofstream(state / "battery") << "1\n";
    return !error;
}
