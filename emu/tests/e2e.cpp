#include "e2e.h"

#include "platform/pc_console.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kStillClock = "1767268800";   // 2026-01-01 12:00 UTC

std::string read_whole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string shell_quoted(const std::string& word)
{
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Whether this machine lets bubblewrap make the namespaces the emulator needs.
bool sandbox_available()
{
    return std::system("/usr/bin/bwrap --ro-bind / / --dev /dev --proc /proc --unshare-pid --tmpfs /mnt "
                       "/bin/true >/dev/null 2>&1") == 0;
}

Uint32 pixel_at(SDL_Surface* s, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16*>(p);
    case 3: return Uint32(p[0] | p[1] << 8 | p[2] << 16);
    default: return *reinterpret_cast<const Uint32*>(p);
    }
}

} // namespace

bool has_line(const std::string& text, const std::string& line)
{
    std::istringstream in(text);
    std::string each;
    while (std::getline(in, each))
        if (each == line)
            return true;
    return false;
}

std::string after(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    return at == std::string::npos ? std::string() : text.substr(at + marker.size());
}

void ConsoleRun::SetUp()
{
    if (!sandbox_available())
        GTEST_SKIP() << "bubblewrap cannot make mount and PID namespaces on this machine";
    char pattern[] = "/tmp/korvo-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work = pattern;
    dir = work + "/console";
}

void ConsoleRun::TearDown()
{
    if (work.empty())
        return;
    if (HasFailure() || std::getenv("KORVO_E2E_KEEP")) {
        std::printf("the console of this test is kept in %s\n", dir.c_str());
        return;
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
}

std::string ConsoleRun::emulator_command(const std::string& script, const std::vector<std::string>& options)
{
    std::string script_path = work + "/script-" + std::to_string(std::rand()) + ".txt";
    std::ofstream(script_path) << script;
    // A clock that stands still, in one time zone, keeps screenshots comparable.
    std::string command = "TZ=UTC " + shell_quoted(KORVO_EMU_BINARY) + " --headless --timeout 90 --clock " +
                          kStillClock + " --dir " + shell_quoted(dir) +
                          " --script " + shell_quoted(script_path);
    if (!laid_out)
        command += " --fresh";
    laid_out = true;
    for (const std::string& option : options)
        command += " " + shell_quoted(option);
    return command + " >> " + shell_quoted(work + "/emulator.out") + " 2>&1";
}

int ConsoleRun::boot(const std::string& script, const std::vector<std::string>& options)
{
    int status = std::system(emulator_command(script, options).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// A private mount namespace of its own; unprivileged, in a user namespace
// that maps the user to root.
std::string unshare_mounts()
{
    return geteuid() == 0 ? "unshare -m --propagation private" : "unshare -rm --propagation private";
}

// The card's change as shell commands ($card is the card's folder).
const char* change_commands(CardChange change)
{
    switch (change) {
    case CardChange::Fill:
        return "head -c 4G /dev/zero > \"$card/.filler\" 2>/dev/null";
    case CardChange::ReadOnly:
        return "mount -o remount,ro \"$card\"";
    case CardChange::Pull:
        return "rm -rf \"$card\"/* \"$card\"/.[!.]*";
    case CardChange::Heal:
        return "mount -o remount,rw \"$card\"; rm -f \"$card/.filler\"";
    }
    return ":";
}

} // namespace

bool ConsoleRun::card_file_systems()
{
    std::string probe = unshare_mounts() +
                        " sh -c 'd=$(mktemp -d) && mount -t tmpfs -o size=1m korvo-probe \"$d\" && "
                        "umount \"$d\" && rmdir \"$d\"' >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

int ConsoleRun::boot_on_card(const std::string& script, const std::vector<CardEvent>& events, int size_mb)
{
    if (!laid_out)
        boot("press down\npress down\npress b\n");   // the stock launcher's power-off
    std::string card = dir + "/tree/mnt/sd";
    std::string shots = dir + "/screenshots";
    std::ostringstream text;
    text << "card=" << shell_quoted(card) << "\nkeep=" << shell_quoted(work + "/card-kept")
         << "\nshots=" << shell_quoted(shots) << "\n";
    for (const CardEvent& event : events)
        text << "rm -f \"$shots\"/" << shell_quoted(event.screenshot + ".png") << "\n";
    // The card's files go onto the card's own file system, and back after.
    text << "rm -rf \"$keep\" && mkdir -p \"$keep\" && cp -a \"$card/.\" \"$keep/\" || exit 90\n"
         << "mount -t tmpfs -o size=" << size_mb << "m korvo-card \"$card\" || exit 91\n"
         << "cp -a \"$keep/.\" \"$card/\" || exit 92\n"
         << emulator_command(script, {}) << " &\n"
         << "emulator=$!\n"
         << "reach() { while [ ! -e \"$shots/$1.png\" ]; do kill -0 $emulator 2>/dev/null || exit 0; "
            "sleep 0.05; done; }\n"
         << "(\n";
    for (const CardEvent& event : events)
        text << "  reach " << shell_quoted(event.screenshot) << "; " << change_commands(event.change) << "\n";
    text << ") &\n"
         << "watcher=$!\n"
         << "wait $emulator; status=$?\n"
         << "kill $watcher 2>/dev/null; wait $watcher 2>/dev/null\n"
         << "mount -o remount,rw \"$card\"; rm -f \"$card/.filler\"\n"
         << "rm -rf \"$keep\" && mkdir -p \"$keep\" && cp -a \"$card/.\" \"$keep/\" || exit 93\n"
         << "umount \"$card\" || exit 94\n"
         << "rm -rf \"$card\"/* \"$card\"/.[!.]* && cp -a \"$keep/.\" \"$card/\" || exit 95\n"
         << "exit $status\n";
    std::string script_path = work + "/card-" + std::to_string(std::rand()) + ".sh";
    std::ofstream(script_path) << text.str();
    int status = std::system((unshare_mounts() + " sh " + shell_quoted(script_path)).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ConsoleRun::console_file(const std::string& path) const
{
    return read_whole(dir + "/tree" + path);
}

bool ConsoleRun::console_has(const std::string& path) const
{
    return fs::exists(fs::symlink_status(dir + "/tree" + path));
}

void ConsoleRun::put_console_file(const std::string& path, const std::string& content, bool executable) const
{
    fs::path target = dir + "/tree" + path;
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
    if (executable)
        fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
}

std::string ConsoleRun::state(const std::string& name) const
{
    return read_whole(dir + "/state/" + name);
}

std::string ConsoleRun::built(const std::string& relative)
{
    return read_whole(std::string(KORVO_BINARY_DIR) + "/" + relative);
}

std::vector<std::string> ConsoleRun::boots() const
{
    std::vector<std::string> lines;
    std::istringstream in(state("boot.log"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void ConsoleRun::expect_screenshot_matches(const std::string& name) const
{
    std::string shot = dir + "/screenshots/" + name + ".png";
    std::string reference = std::string(KORVO_SOURCE_DIR) + "/emu/tests/reference/" + name + ".png";
    ASSERT_TRUE(fs::exists(shot)) << "no screenshot " << shot;
    const char* record = std::getenv("KORVO_E2E_RECORD");
    if (record && std::string(record) == "1") {
        fs::create_directories(fs::path(reference).parent_path());
        fs::copy_file(shot, reference, fs::copy_options::overwrite_existing);
        return;
    }
    SDL_Surface* taken = IMG_Load(shot.c_str());
    SDL_Surface* wanted = IMG_Load(reference.c_str());
    ASSERT_NE(taken, nullptr) << shot;
    ASSERT_NE(wanted, nullptr) << "no reference picture " << reference << " (record it with KORVO_E2E_RECORD=1)";
    EXPECT_EQ(taken->w, 320);
    EXPECT_EQ(taken->h, 240);
    int differing = 0;
    if (taken->w == wanted->w && taken->h == wanted->h)
        for (int y = 0; y < taken->h; ++y)
            for (int x = 0; x < taken->w; ++x) {
                Uint8 r0, g0, b0, r1, g1, b1;
                SDL_GetRGB(pixel_at(taken, x, y), taken->format, &r0, &g0, &b0);
                SDL_GetRGB(pixel_at(wanted, x, y), wanted->format, &r1, &g1, &b1);
                differing += r0 != r1 || g0 != g1 || b0 != b1;
            }
    else
        differing = -1;
    EXPECT_EQ(differing, 0) << shot << " differs from " << reference;
    SDL_FreeSurface(taken);
    SDL_FreeSurface(wanted);
}
