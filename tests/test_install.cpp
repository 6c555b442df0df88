// The installer and the uninstaller, run from a card folder against a folder
// that stands for the console's "/": every command is recorded, then acted
// out there, made to fail the way a full NAND makes a copy fail, or cut off
// by a power cut. After each run the console is "booted": its boot script
// and gp2xmenu must start a complete launcher.
#include "harness.h"

#include "install/install_steps.h"
#include "platform/pc_console.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kBootScript = "#!/bin/sh\ncd /usr/gp2x\n./qz &\nexec ./gp2xmenu\n";

// --- acting out the commands on the test's console ---

std::string console_root;
std::string failing_copy_destination;   // empty: every copy works
int commands_run = 0;
int cut_before_command = 0;             // 0: no power cut

std::string after(const std::string& text, const std::string& marker)
{
    size_t at = text.find(marker);
    return at == std::string::npos ? std::string() : text.substr(at + marker.size());
}

std::string on_console(const std::string& path)
{
    return path[0] == '/' ? console_root + path : path;
}

std::vector<std::string> words_of(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// "folder/*" stands for the names in the folder but those starting with ".".
std::vector<fs::path> expand(const std::string& word)
{
    std::string path = on_console(word);
    if (path.size() < 2 || path.compare(path.size() - 2, 2, "/*") != 0)
        return {path};
    std::vector<fs::path> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path.substr(0, path.size() - 2), error))
        if (entry.path().filename().string()[0] != '.')
            names.push_back(entry.path());
    return names;
}

// cp, as the programs use it: "cp [-f|-rf] SOURCE... TARGET".
int copy(const std::vector<std::string>& w)
{
    bool recursive = w[1] == "-rf";
    size_t first = w[1][0] == '-' ? 2 : 1;
    fs::path target = on_console(w.back());
    std::vector<fs::path> sources;
    for (size_t i = first; i + 1 < w.size(); ++i)
        for (const fs::path& each : expand(w[i]))
            sources.push_back(each);
    if (sources.empty())
        return 1;
    std::error_code error;
    bool into = fs::is_directory(target);
    if (sources.size() > 1 && !into)
        return 1;
    int status = 0;
    for (const fs::path& source : sources) {
        if (!fs::exists(source) || (fs::is_directory(source) && !recursive)) {
            status = 1;
            continue;
        }
        fs::path to = into ? target / source.filename() : target;
        fs::copy(source, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
        status = error ? 1 : status;
    }
    return status;
}

// rm [-r|-rf|-f] PATH
int remove(const std::vector<std::string>& w)
{
    bool recursive = w[1] == "-r" || w[1] == "-rf";
    bool force = w[1] == "-f" || w[1] == "-rf";
    fs::path path = on_console(w.back());
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path)) || (fs::is_directory(path) && !recursive))
        return force && !fs::is_directory(path) ? 0 : 1;
    if (recursive)
        fs::remove_all(path, error);
    else
        fs::remove(path, error);
    return error ? 1 : 0;
}

// The programs' commands acted out on the console folder, without a
// shell: quick enough for a power cut before every command in turn.
int act_out_command(const std::string& line)
{
    std::vector<std::string> w = words_of(line);
    std::error_code error;
    if (w.size() == 2 && w[0] == "mkdir")
        return fs::create_directory(on_console(w[1]), error) ? 0 : 1;
    if (w.size() >= 2 && w[0] == "rm")
        return remove(w);
    if (w.size() >= 3 && w[0] == "cp")
        return copy(w);
    if (w.size() == 4 && w[0] == "mv" && w[1] == "-f") {
        fs::rename(on_console(w[2]), on_console(w[3]), error);
        return error ? 1 : 0;
    }
    ADD_FAILURE() << "a command the test does not act out: " << line;
    return 1;
}

// A cp to the failing destination stops halfway, as cp does when the NAND
// fills up: a single file is left with half its bytes; a copy of several
// files is made, then the last file written is cut to half.
bool fail_copy(const std::string& line)
{
    std::vector<std::string> w = words_of(line);
    if (failing_copy_destination.empty() || w[0] != "cp" || w.back() != failing_copy_destination)
        return false;
    fs::path target = on_console(w.back());
    if (w[1] == "-rf") {
        copy(w);
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(target))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        if (!files.empty())
            fs::resize_file(files.back(), fs::file_size(files.back()) / 2);
        return true;
    }
    fs::path source = on_console(w[w.size() - 2]);
    if (!fs::exists(source))
        return false;   // the real cp reports the missing source and writes nothing
    std::string content = ShellTest::read_file(source);
    ShellTest::write_file(target, content.substr(0, content.size() / 2));
    return true;
}

int act_out(const char* command_line)
{
    ++commands_run;
    if (cut_before_command && commands_run == cut_before_command)
        _exit(0);   // the power goes: nothing after this happens
    std::string line = command_line;
    if (line == "sync" || line == "reboot")
        return 0;
    if (fail_copy(line))
        return 1;
    return act_out_command(line);
}

// --- the start check of the card's shell, stood in for ---

// How the card's Korvo.gpe ends its start check, and what it writes.
ProgramRun shell_check_end;
std::string shell_check_output;
// Each check: the program, its arguments, its settings, the working folder.
std::vector<std::string> shell_checks;

ProgramRun check_shell(const char* path, const char* const argv[], const char* const settings[], char* output,
                       unsigned long capacity)
{
    std::string call = path;
    for (int i = 0; argv[i]; ++i)
        call += std::string(" ") + argv[i];
    for (int i = 0; settings[i]; ++i)
        call += std::string(" ") + settings[i];
    call += " in " + fs::current_path().string();
    shell_checks.push_back(call);
    std::snprintf(output, capacity, "%s", shell_check_output.c_str());
    return shell_check_end;
}

// --- programs: small ELF files whose layout a truncation breaks ---

void put16(std::string& b, size_t at, unsigned v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void put64(std::string& b, size_t at, unsigned long long v)
{
    for (int i = 0; i < 8; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

// A 64-bit ELF file: header, one loaded segment over the text, and a
// section table at its end, as linkers lay them out.
std::string program(const std::string& text, size_t padding = 0)
{
    std::string body = text + std::string(padding, '.');
    std::string b(64 + 56, '\0');
    b.replace(0, 6, "\177ELF\2\1");
    put64(b, 0x20, 64);                        // program headers
    put16(b, 0x36, 56);
    put16(b, 0x38, 1);
    b[64] = 1;                                 // PT_LOAD
    put64(b, 64 + 8, 0);
    b += body;
    put64(b, 64 + 32, b.size());               // the segment's bytes in the file
    put64(b, 0x28, b.size());                  // section table
    put16(b, 0x3A, 64);
    put16(b, 0x3C, 2);
    return b + std::string(128, 's');
}

std::string stock_launcher() { return program("STOCK LAUNCHER\n", 9000); }
std::string shell_program() { return program("KORVO SHELL"); }
std::string new_shell_program() { return program("KORVO SHELL 2"); }

// --- the fixture ---

class Installation : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korvo-install-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        start_dir = fs::current_path();
        root = dir + "/console";
        console_root = root;
        failing_copy_destination.clear();
        commands_run = 0;
        cut_before_command = 0;
        pc_reset();
        pc_set_command_handler(act_out);
        shell_check_end = ProgramRun{ProgramEnd::Exited, 0};
        shell_check_output.clear();
        shell_checks.clear();
        pc_set_program_handler(check_shell);
        put("/usr/gp2x/gp2xmenu", stock_launcher());
        fs::create_directories(root + "/etc/rc.d");
        card = dir + "/card";
        ShellTest::write_file(card + "/Korvo.gpe", shell_program());
        ShellTest::write_file(card + "/installer.gpe", program("INSTALLER"));
        ShellTest::write_file(card + "/uninstall.gpe", program("UNINSTALLER"));
        ShellTest::write_file(card + "/qz", "QZ");
        ShellTest::write_file(card + "/resources/wallpaper/sky.png", "SKY");
        ShellTest::write_file(card + "/resources/skin/Gold/font.png", std::string(5000, 'f'));
        ShellTest::write_file(card + "/user/admin/data.st", "admin admin");
        fs::current_path(card);
    }

    void TearDown() override
    {
        pc_set_command_handler(nullptr);
        pc_set_program_handler(nullptr);
        fs::current_path(start_dir);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    std::string at(const std::string& path) const { return ShellTest::read_file(root + path); }
    bool there(const std::string& path) const { return fs::exists(root + path); }
    void put(const std::string& path, const std::string& content) const { ShellTest::write_file(root + path, content); }

    int install() { return run_installer(root.c_str(), (card + "/installer.gpe").c_str()); }
    int uninstall() { return run_uninstaller(root.c_str(), (root + "/usr/gp2x/uninstall.gpe").c_str()); }

    // The commands of the trace, without "run ".
    static std::vector<std::string> commands()
    {
        std::vector<std::string> out;
        for (const std::string& line : pc_trace())
            if (line.rfind("run ", 0) == 0)
                out.push_back(line.substr(4));
        return out;
    }

    static std::string screen()
    {
        std::string text;
        for (const std::string& line : pc_screen_text())
            text += line + "\n";
        return text;
    }

    // What the console starts when it is switched on: "stock" or "shell",
    // or why it would not start a complete launcher.
    std::string boots_into(const std::string& shell = shell_program()) const
    {
        if (there("/etc/rc.d/rc.local") && at("/etc/rc.d/rc.local") != kBootScript)
            return "a broken boot script: " + at("/etc/rc.d/rc.local");
        std::string launcher = at("/usr/gp2x/gp2xmenu");
        if (launcher == stock_launcher())
            return "stock";
        if (launcher != shell)
            return "gp2xmenu is neither launcher (" + std::to_string(launcher.size()) + " bytes)";
        std::string missing;
        if (!same_tree_contents((card + "/resources").c_str(), (root + "/usr/gp2x/resources").c_str()))
            missing += " resources";
        if (!there("/usr/gp2x/user/admin/data.st"))
            missing += " users";
        if (at("/usr/gp2x/gph.gpu") != stock_launcher())
            missing += " gph.gpu";
        if (at("/usr/gp2x/uninstall.gpe") != program("UNINSTALLER"))
            missing += " uninstall.gpe";
        return missing.empty() ? "shell" : "the shell without" + missing;
    }

    // Runs the installer (or the uninstaller) in a child process whose
    // power goes before command number cut; the console is left as it was
    // at that instant.
    void run_cut_before(int cut, bool uninstalling)
    {
        std::fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            commands_run = 0;
            cut_before_command = cut;
            _exit(uninstalling ? uninstall() : install());
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
    }

    void install_first()
    {
        ASSERT_EQ(install(), 0);
        pc_clear_trace();
        commands_run = 0;
        shell_checks.clear();
    }

    std::string dir;
    std::string root;
    std::string card;
    fs::path start_dir;
};

const std::vector<std::string> kFirstInstallation = {
    "sync",
    "mv -f /etc/rc.d/rc.local.new /etc/rc.d/rc.local",
    "mkdir /usr/gp2x/resources",
    "mkdir /usr/gp2x/user",
    "rm -r /usr/gp2x/links",
    "rm  /usr/gp2x/resources/desktop.st",
    "rm  /usr/gp2x/resources/settings.st",
    "cp -rf resources/* /usr/gp2x/resources",
    "cp -rf user/* /usr/gp2x/user",
    "cp ./qz /usr/gp2x/qz",
    "cp -f uninstall.gpe /usr/gp2x/uninstall.gpe",
    "cp /usr/gp2x/gp2xmenu /usr/gp2x/gph.gpu.new",
    "sync",
    "mv -f /usr/gp2x/gph.gpu.new /usr/gp2x/gph.gpu",
    "cp ./Korvo.gpe /usr/gp2x/gp2xmenu.new",
    "sync",
    "mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu",
    "sync",
    "reboot",
};

const std::vector<std::string> kReinstallation = {
    "sync",
    "mv -f /etc/rc.d/rc.local.new /etc/rc.d/rc.local",
    "cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu.new",
    "sync",
    "mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu",
    "sync",
    "rm -r /usr/gp2x/links",
    "rm  /usr/gp2x/resources/desktop.st",
    "rm  /usr/gp2x/resources/settings.st",
    "cp -rf resources/* /usr/gp2x/resources",
    "cp ./qz /usr/gp2x/qz",
    "cp -f uninstall.gpe /usr/gp2x/uninstall.gpe",
    "cp ./Korvo.gpe /usr/gp2x/gp2xmenu.new",
    "sync",
    "mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu",
    "sync",
    "reboot",
};

const std::vector<std::string> kUninstallation = {
    "cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu.new",
    "sync",
    "mv -f /usr/gp2x/gp2xmenu.new /usr/gp2x/gp2xmenu",
    "sync",
    "rm -rf /usr/gp2x/resources",
    "rm -rf /usr/gp2x/user",
    "rm -rf /usr/gp2x/links",
    "rm -f /usr/gp2x/libSDL_gfx.so.0",
    "rm /usr/gp2x/qz",
    "rm /usr/gp2x/gph.gpu",
    "sync",
    "reboot",
};

// --- whole runs ---

TEST_F(Installation, FirstInstallationPutsTheShellInPlaceOfTheStockLauncher)
{
    EXPECT_EQ(install(), 0);
    EXPECT_EQ(commands(), kFirstInstallation);
    EXPECT_EQ(at("/etc/rc.d/rc.local"), kBootScript);
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), shell_program());
    EXPECT_EQ(at("/usr/gp2x/resources/wallpaper/sky.png"), "SKY");
    EXPECT_EQ(at("/usr/gp2x/user/admin/data.st"), "admin admin");
    EXPECT_EQ(at("/usr/gp2x/qz"), "QZ");
    EXPECT_FALSE(there("/usr/gp2x/gp2xmenu.new"));
    EXPECT_FALSE(there("/usr/gp2x/gph.gpu.new"));
    EXPECT_FALSE(there("/etc/rc.d/rc.local.new"));
    EXPECT_EQ(boots_into(), "shell");
    EXPECT_NE(screen().find("Korvo is installed. Restarting..."), std::string::npos) << screen();
    EXPECT_EQ(fs::status(root + "/etc/rc.d/rc.local").permissions() & fs::perms::all,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                  fs::perms::others_exec)
        << "the boot script is executable";
    // The card's shell was tried, in the card's folder, before anything changed.
    EXPECT_EQ(shell_checks, (std::vector<std::string>{"./Korvo.gpe ./Korvo.gpe KORVO_START_CHECK=1 LD_BIND_NOW=1 in " +
                                                      fs::canonical(card).string()}));
    std::vector<std::string> lines = pc_trace();
    auto tried =
        std::find(lines.begin(), lines.end(), "try ./Korvo.gpe with KORVO_START_CHECK=1 LD_BIND_NOW=1: status 0");
    auto first_command = std::find_if(lines.begin(), lines.end(),
                                      [](const std::string& line) { return line.rfind("run ", 0) == 0; });
    EXPECT_LT(tried, first_command);
}

TEST_F(Installation, ReinstallationKeepsTheUsersAndTheStockLauncher)
{
    install_first();
    put("/usr/gp2x/user/admin/data.st", "admin secret");
    put("/usr/gp2x/resources/desktop.st", "old");
    put("/usr/gp2x/links/x.lk", "old");
    ShellTest::write_file("Korvo.gpe", new_shell_program());
    fs::permissions(root + "/etc/rc.d/rc.local", fs::perms::owner_read | fs::perms::owner_write |
                                                     fs::perms::group_read | fs::perms::others_read);

    EXPECT_EQ(install(), 0);
    EXPECT_EQ(commands(), kReinstallation);
    EXPECT_EQ(shell_checks.size(), 1u) << "the new shell is tried too";
    EXPECT_TRUE((fs::status(root + "/etc/rc.d/rc.local").permissions() & fs::perms::owner_exec) != fs::perms::none)
        << "a boot script written before without its x bits gets them";
    EXPECT_EQ(at("/usr/gp2x/user/admin/data.st"), "admin secret");
    EXPECT_FALSE(there("/usr/gp2x/resources/desktop.st"));
    EXPECT_FALSE(there("/usr/gp2x/links"));
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), new_shell_program());
}

TEST_F(Installation, ReinstallationAfterAnInterruptedUninstallationFillsTheFoldersAgain)
{
    install_first();
    fs::remove_all(root + "/usr/gp2x/resources");
    fs::remove_all(root + "/usr/gp2x/user");

    EXPECT_EQ(install(), 0);
    std::vector<std::string> done = commands();
    EXPECT_NE(std::find(done.begin(), done.end(), "mkdir /usr/gp2x/user"), done.end());
    EXPECT_NE(std::find(done.begin(), done.end(), "cp -rf user/* /usr/gp2x/user"), done.end());
    EXPECT_EQ(boots_into(), "shell");
}

TEST_F(Installation, BootScriptThatCannotBeWrittenIsSkipped)
{
    fs::remove_all(root + "/etc");
    EXPECT_EQ(install(), 0);
    std::vector<std::string> expected(kFirstInstallation.begin() + 2, kFirstInstallation.end());
    EXPECT_EQ(commands(), expected);
    EXPECT_EQ(boots_into(), "shell");
}

TEST_F(Installation, UninstallerPutsTheStockLauncherBackBeforeRemovingAnything)
{
    install_first();
    EXPECT_FALSE(there("/usr/gp2x/libSDL_gfx.so.0")) << "Korvo ships no SDL_gfx";
    put("/usr/gp2x/libSDL_gfx.so.0", "GFX");   // left by an earlier version
    EXPECT_EQ(uninstall(), 0);
    EXPECT_EQ(commands(), kUninstallation);
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher());
    for (const char* gone : {"/usr/gp2x/gph.gpu", "/usr/gp2x/resources", "/usr/gp2x/user", "/usr/gp2x/qz",
                             "/usr/gp2x/libSDL_gfx.so.0", "/usr/gp2x/gp2xmenu.new"})
        EXPECT_FALSE(there(gone)) << gone;
    EXPECT_TRUE(there("/usr/gp2x/uninstall.gpe")) << "the uninstaller stays";
    EXPECT_EQ(at("/etc/rc.d/rc.local"), kBootScript) << "left as written";
    EXPECT_NE(screen().find("Korvo is removed. Restarting..."), std::string::npos) << screen();
}

// --- nothing changes when the start is wrong ---

TEST_F(Installation, InstallerStartedElsewhereChangesNothing)
{
    fs::current_path(dir);
    EXPECT_EQ(install(), 1);
    EXPECT_TRUE(commands().empty()) << commands().front();
    EXPECT_FALSE(there("/etc/rc.d/rc.local"));
    EXPECT_EQ(boots_into(), "stock");
    std::string shown = screen();
    EXPECT_NE(shown.find("Korvo was NOT installed."), std::string::npos) << shown;
    std::string missing = after(shown, "Missing here:");
    for (const char* name : {"Korvo.gpe,", "resources/,", "user/,", "qz,", "uninstall.gpe"})
        EXPECT_NE(missing.find(name), std::string::npos) << name << " in " << shown;
    EXPECT_NE(shown.find("Nothing was changed."), std::string::npos) << shown;
}

TEST_F(Installation, InstallerWithAFileMissingChangesNothing)
{
    for (const char* name : {"Korvo.gpe", "resources", "user", "qz", "uninstall.gpe"}) {
        fs::rename(card + "/" + name, dir + "/aside");
        pc_clear_trace();
        EXPECT_EQ(install(), 1) << name;
        EXPECT_TRUE(commands().empty()) << name;
        EXPECT_NE(screen().find(name), std::string::npos) << name << ": " << screen();
        fs::rename(dir + "/aside", card + "/" + name);
    }
    EXPECT_EQ(boots_into(), "stock");
}

TEST_F(Installation, InstallerTrustsNoIncompleteOrWrongLauncher)
{
    struct Case {
        const char* name;
        std::string shell;      // the card's Korvo.gpe
        std::string launcher;   // gp2xmenu
        std::string kept;       // gph.gpu, "" for none
        const char* told;
    };
    std::string stock = stock_launcher();
    const Case cases[] = {
        {"cut shell on the card", shell_program().substr(0, 100), stock, "", "Korvo.gpe is incomplete"},
        {"cut stock launcher", shell_program(), stock.substr(0, stock.size() / 2), "", "is not a complete"},
        {"shell already at gp2xmenu", shell_program(), shell_program(), "", "is not a complete"},
        {"cut kept launcher", shell_program(), shell_program(), stock.substr(0, stock.size() / 2), "incomplete"},
        {"kept launcher is the shell", shell_program(), shell_program(), shell_program(), "incomplete"},
        {"kept launcher is no program", shell_program(), shell_program(), "#!/bin/sh\n", "incomplete"},
    };
    for (const Case& c : cases) {
        ShellTest::write_file("Korvo.gpe", c.shell);
        put("/usr/gp2x/gp2xmenu", c.launcher);
        fs::remove(root + "/usr/gp2x/gph.gpu");
        if (!c.kept.empty())
            put("/usr/gp2x/gph.gpu", c.kept);
        pc_clear_trace();
        EXPECT_EQ(install(), 1) << c.name;
        EXPECT_TRUE(commands().empty()) << c.name;
        EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), c.launcher) << c.name;
        EXPECT_NE(screen().find(c.told), std::string::npos) << c.name << ": " << screen();
    }
}

// A shell that is whole but cannot start on this console (a library it asks
// for is missing, a program for another machine, a start that hangs) never
// takes the stock launcher's place.
TEST_F(Installation, ShellThatFailsItsStartCheckIsNotInstalled)
{
    struct Case {
        ProgramRun end;
        const char* output;
        const char* told;
    };
    const char* loader = "./Korvo.gpe: error while loading shared libraries: libSDL_image-1.2.so.0: "
                         "cannot open shared object file: No such file or directory\n";
    const Case cases[] = {
        {{ProgramEnd::Exited, 127}, loader, "console: it ended with status 127."},
        {{ProgramEnd::Exited, 127}, "./Korvo.gpe: Exec format error\n", "console: it ended with status 127."},
        {{ProgramEnd::Exited, 1}, "", "console: it ended with status 1."},
        {{ProgramEnd::Signalled, 11}, "", "console: it was stopped by signal 11."},
        {{ProgramEnd::TimedOut, 0}, "", "check within 5 seconds."},
        {{ProgramEnd::NotRun, 0}, "", "Korvo.gpe could not be tried out:"},
    };
    for (const Case& c : cases) {
        shell_check_end = c.end;
        shell_check_output = c.output;
        pc_clear_trace();
        fs::remove(card + "/installer.log");
        EXPECT_EQ(install(), 1) << c.told;
        EXPECT_TRUE(commands().empty()) << c.told;
        EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher()) << c.told;
        EXPECT_FALSE(there("/usr/gp2x/gph.gpu")) << c.told;
        EXPECT_FALSE(there("/etc/rc.d/rc.local")) << c.told;
        EXPECT_FALSE(there("/etc/rc.d/rc.local.new")) << c.told;
        std::string shown = screen();
        EXPECT_NE(shown.find("Korvo was NOT installed."), std::string::npos) << shown;
        EXPECT_NE(shown.find(c.told), std::string::npos) << shown;
        EXPECT_NE(shown.find("Nothing was changed."), std::string::npos) << shown;
        for (const std::string& line : pc_screen_text())
            EXPECT_LE(line.size(), 39u) << "wider than the screen: " << line;
        std::string log = ShellTest::read_file(card + "/installer.log");
        EXPECT_NE(log.find(c.told), std::string::npos) << log;
        if (*c.output) {
            std::string said(c.output, std::strlen(c.output) - 1);
            EXPECT_NE(log.find("  | " + said + "\n"), std::string::npos) << "the log keeps its words whole: " << log;
        }
    }
    // What the loader said is on the screen too.
    shell_check_end = ProgramRun{ProgramEnd::Exited, 127};
    shell_check_output = loader;
    install();
    EXPECT_NE(screen().find("libraries: libSDL_image-1.2.so.0:"), std::string::npos) << screen();
}

TEST_F(Installation, NewShellThatFailsItsStartCheckLeavesTheInstalledOne)
{
    install_first();
    std::string script = at("/etc/rc.d/rc.local");
    ShellTest::write_file("Korvo.gpe", new_shell_program());
    shell_check_end = ProgramRun{ProgramEnd::Signalled, 4};
    EXPECT_EQ(install(), 1);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), shell_program());
    EXPECT_EQ(at("/etc/rc.d/rc.local"), script);
    EXPECT_EQ(boots_into(), "shell");
}

TEST_F(Installation, BootScriptPlaceThatIsNotAFileIsRefusedBeforeAnyChange)
{
    // A folder there would take the new script into itself.
    put("/etc/rc.d/rc.local/keep", "K");
    EXPECT_EQ(install(), 1);
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(shell_checks.empty()) << "refused before the shell is tried";
    EXPECT_EQ(at("/etc/rc.d/rc.local/keep"), "K");
    EXPECT_EQ(std::distance(fs::directory_iterator(root + "/etc/rc.d/rc.local"), fs::directory_iterator()), 1);
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher());
    EXPECT_FALSE(there("/usr/gp2x/gph.gpu"));
    EXPECT_NE(screen().find("/etc/rc.d/rc.local holds something"), std::string::npos) << screen();
    EXPECT_NE(screen().find("Nothing was changed."), std::string::npos) << screen();
}

TEST_F(Installation, UninstallerWithoutAnInstallationChangesNothing)
{
    put("/usr/gp2x/resources/keep.png", "K");
    put("/usr/gp2x/qz", "QZ");
    EXPECT_EQ(uninstall(), 1);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher());
    EXPECT_TRUE(there("/usr/gp2x/resources/keep.png"));
    EXPECT_TRUE(there("/usr/gp2x/qz"));
    EXPECT_NE(screen().find("Korvo is not installed."), std::string::npos) << screen();
}

TEST_F(Installation, UninstallerKeepsTheShellWhenTheKeptLauncherIsIncomplete)
{
    install_first();
    put("/usr/gp2x/gph.gpu", stock_launcher().substr(0, 5000));
    EXPECT_EQ(uninstall(), 1);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), shell_program());
    EXPECT_TRUE(there("/usr/gp2x/resources/wallpaper/sky.png"));
}

// --- a copy that fails halfway stops the run with a complete launcher ---

TEST_F(Installation, EachFailingCopyOfAFirstInstallationLeavesTheStockLauncher)
{
    for (const char* target : {"/usr/gp2x/resources", "/usr/gp2x/user", "/usr/gp2x/qz", "/usr/gp2x/uninstall.gpe",
                               "/usr/gp2x/gph.gpu.new", "/usr/gp2x/gp2xmenu.new"}) {
        fs::remove_all(root + "/usr/gp2x");
        put("/usr/gp2x/gp2xmenu", stock_launcher());
        failing_copy_destination = target;
        pc_clear_trace();
        EXPECT_EQ(install(), 1) << target;
        std::vector<std::string> done = commands();
        EXPECT_EQ(std::count(done.begin(), done.end(), "reboot"), 0) << target;
        EXPECT_EQ(boots_into(), "stock") << target;
        // Until the stock launcher is kept as gph.gpu, the console does not
        // count as installed; once it is, the kept copy is whole.
        if (there("/usr/gp2x/gph.gpu")) {
            EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher()) << target;
        }
        EXPECT_FALSE(there("/usr/gp2x/gp2xmenu.new")) << target;
        EXPECT_FALSE(there("/usr/gp2x/gph.gpu.new")) << target;
        EXPECT_NE(screen().find("Korvo was NOT installed."), std::string::npos) << target;
        EXPECT_NE(screen().find("the stock launcher."), std::string::npos) << target << ": " << screen();
    }
    // With room on the NAND again, the same installer finishes the job.
    failing_copy_destination.clear();
    EXPECT_EQ(install(), 0);
    EXPECT_EQ(boots_into(), "shell");
}

TEST_F(Installation, EachFailingCopyOfAReinstallationLeavesACompleteLauncher)
{
    install_first();
    for (const char* target : {"/usr/gp2x/gp2xmenu.new", "/usr/gp2x/resources", "/usr/gp2x/qz",
                               "/usr/gp2x/uninstall.gpe"}) {
        failing_copy_destination = target;
        pc_clear_trace();
        EXPECT_EQ(install(), 1) << target;
        std::string boots = boots_into();
        EXPECT_TRUE(boots == "stock" || boots == "shell") << target << ": " << boots;
        EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher()) << target;
        EXPECT_FALSE(there("/usr/gp2x/gp2xmenu.new")) << target;
        EXPECT_NE(screen().find(boots == "stock" ? "the stock launcher." : "Korvo, as before."), std::string::npos)
            << target << ": " << screen();
    }
    failing_copy_destination.clear();
    EXPECT_EQ(install(), 0);
    EXPECT_EQ(boots_into(), "shell");
}

TEST_F(Installation, FailingCopyOfTheUninstallerKeepsTheShell)
{
    install_first();
    failing_copy_destination = "/usr/gp2x/gp2xmenu.new";
    EXPECT_EQ(uninstall(), 1);
    EXPECT_EQ(commands(), (std::vector<std::string>{"cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu.new",
                                                    "rm -f /usr/gp2x/gp2xmenu.new", "sync"}));
    EXPECT_EQ(boots_into(), "shell");
    EXPECT_NE(screen().find("Korvo was NOT uninstalled."), std::string::npos) << screen();
}

// --- a power cut between any two commands ---

// Cuts the power before each command in turn (and once at the very end),
// boots the console, then runs the same program again from there: it must
// finish the job.
TEST_F(Installation, PowerCutAtAnyPointOfAFirstInstallation)
{
    ASSERT_EQ(install(), 0);
    int total = commands_run;
    for (int cut = 1; cut <= total + 1; ++cut) {
        fs::remove_all(root);
        put("/usr/gp2x/gp2xmenu", stock_launcher());
        fs::create_directories(root + "/etc/rc.d");
        run_cut_before(cut, false);
        EXPECT_EQ(boots_into(), cut <= total - 2 ? "stock" : "shell") << "cut before command " << cut;
        commands_run = 0;
        EXPECT_EQ(install(), 0) << "again after cut " << cut;
        EXPECT_EQ(boots_into(), "shell") << "again after cut " << cut;
    }
}

TEST_F(Installation, PowerCutAtAnyPointOfAReinstallation)
{
    install_first();
    ShellTest::write_file("Korvo.gpe", new_shell_program());
    ASSERT_EQ(install(), 0);
    int total = commands_run;
    for (int cut = 1; cut <= total + 1; ++cut) {
        ShellTest::write_file("Korvo.gpe", shell_program());
        ASSERT_EQ(install(), 0);
        ShellTest::write_file("Korvo.gpe", new_shell_program());
        run_cut_before(cut, false);
        std::string boots = boots_into(new_shell_program());
        if (boots != "stock" && boots != "shell")
            boots = boots_into(shell_program());
        EXPECT_TRUE(boots == "stock" || boots == "shell") << "cut before command " << cut << ": " << boots;
        EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher()) << "cut before command " << cut;
        EXPECT_EQ(at("/usr/gp2x/user/admin/data.st"), "admin admin") << "cut before command " << cut;
        commands_run = 0;
        EXPECT_EQ(install(), 0) << "again after cut " << cut;
        EXPECT_EQ(boots_into(new_shell_program()), "shell") << "again after cut " << cut;
    }
}

TEST_F(Installation, PowerCutAtAnyPointOfAnUninstallation)
{
    install_first();
    ASSERT_EQ(uninstall(), 0);
    int total = commands_run;
    for (int cut = 1; cut <= total + 1; ++cut) {
        fs::remove_all(root + "/usr/gp2x");
        put("/usr/gp2x/gp2xmenu", stock_launcher());
        install_first();
        run_cut_before(cut, true);
        std::string boots = boots_into();
        EXPECT_TRUE(cut <= 3 ? boots == "shell" : boots == "stock") << "cut before command " << cut << ": " << boots;
        // Run again, it finishes; or, once gph.gpu is gone, finds nothing to do.
        commands_run = 0;
        int again = uninstall();
        EXPECT_EQ(again, cut <= total - 2 ? 0 : 1) << "again after cut " << cut;
        EXPECT_EQ(boots_into(), "stock") << "again after cut " << cut;
        EXPECT_FALSE(there("/usr/gp2x/gph.gpu")) << "again after cut " << cut;
    }
}

// --- what the user is told ---

TEST_F(Installation, MessagesAreOnTheScreenAndInTheLogBesideTheProgram)
{
    failing_copy_destination = "/usr/gp2x/gp2xmenu.new";
    EXPECT_EQ(install(), 1);
    std::vector<std::string> shown = pc_screen_text();
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown.front(), "Korvo installer");
    for (const std::string& line : shown)
        EXPECT_LE(line.size(), 39u) << "wider than the screen: " << line;
    std::string log = ShellTest::read_file(card + "/installer.log");
    for (const std::string& line : shown)
        EXPECT_NE(log.find(line + "\n"), std::string::npos) << line;
    EXPECT_NE(log.find("failed (status 1): cp ./Korvo.gpe /usr/gp2x/gp2xmenu.new"), std::string::npos) << log;
    // The text is drawn: white pixels on the first line's row, black below
    // the last.
    const uint16_t* pixels = pc_text_screen();
    int lit = 0;
    for (int y = 4; y < 12; ++y)
        for (int x = 0; x < 320; ++x)
            lit += pixels[y * 320 + x] == 0xFFFF;
    EXPECT_GT(lit, 40);
    int last_row = 4 + static_cast<int>(shown.size()) * 10;
    EXPECT_EQ(std::count(pixels + last_row * 320, pixels + 240 * 320, 0xFFFF), 0);

    // A second run appends to the log.
    failing_copy_destination.clear();
    EXPECT_EQ(install(), 0);
    log = ShellTest::read_file(card + "/installer.log");
    EXPECT_NE(log.find("Korvo was NOT installed."), std::string::npos);
    EXPECT_NE(log.find("Korvo is installed. Restarting..."), std::string::npos);
}

TEST(InstallLog, GoesBesideTheProgram)
{
    char path[600];
    EXPECT_TRUE(log_path_beside(path, sizeof path, "/mnt/sd/korvo/installer.gpe", "installer.log"));
    EXPECT_STREQ(path, "/mnt/sd/korvo/installer.log");
    EXPECT_TRUE(log_path_beside(path, sizeof path, "./uninstall.gpe", "uninstall.log"));
    EXPECT_STREQ(path, "./uninstall.log");
    EXPECT_TRUE(log_path_beside(path, sizeof path, "installer.gpe", "installer.log"));
    EXPECT_STREQ(path, "installer.log");
}

// --- the checks themselves ---

class InstallChecks : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korvo-checks-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const std::string& name, const std::string& content)
    {
        ShellTest::write_file(dir + "/" + name, content);
        return dir + "/" + name;
    }
    std::string dir;
};

TEST_F(InstallChecks, SameFileContentsComparesSizeAndBytes)
{
    std::string big(10000, 'x');
    std::string big_changed = big;
    big_changed[9000] = 'y';
    std::string a = file("a", big);
    EXPECT_TRUE(same_file_contents(a.c_str(), file("b", big).c_str()));
    EXPECT_FALSE(same_file_contents(a.c_str(), file("c", big_changed).c_str()));
    std::string d = file("d", big.substr(0, 4096));
    EXPECT_FALSE(same_file_contents(a.c_str(), d.c_str()));
    EXPECT_FALSE(same_file_contents(d.c_str(), a.c_str()));
    EXPECT_TRUE(same_file_contents(file("e", "").c_str(), file("f", "").c_str()));
    EXPECT_FALSE(same_file_contents(a.c_str(), (dir + "/missing").c_str()));
    EXPECT_FALSE(same_file_contents((dir + "/missing").c_str(), (dir + "/missing").c_str()));
}

TEST_F(InstallChecks, SameTreeContentsFindsWhatACopyLeftOut)
{
    file("from/a.png", "A");
    file("from/skin/Gold/b.png", "BB");
    file("from/.hidden", "not copied by from/*");
    fs::create_directories(dir + "/from/empty");
    std::string from = dir + "/from";
    std::string to = dir + "/to";
    EXPECT_FALSE(same_tree_contents(from.c_str(), to.c_str()));
    file("to/a.png", "A");
    file("to/skin/Gold/b.png", "BB");
    file("to/extra.st", "kept by an installation");
    EXPECT_FALSE(same_tree_contents(from.c_str(), to.c_str())) << "the empty folder is missing";
    fs::create_directories(to + "/empty");
    EXPECT_TRUE(same_tree_contents(from.c_str(), to.c_str()));
    file("to/skin/Gold/b.png", "B");
    EXPECT_FALSE(same_tree_contents(from.c_str(), to.c_str())) << "a file cut short";
}

TEST_F(InstallChecks, FileOrAbsentIsWhatARenameCanReplace)
{
    std::string plain = file("plain", "x");
    EXPECT_TRUE(is_file_or_absent(plain.c_str()));
    EXPECT_TRUE(is_file_or_absent((dir + "/missing").c_str()));
    EXPECT_TRUE(is_file_or_absent((plain + "/below").c_str())) << "under a file nothing can be";
    fs::create_directories(dir + "/folder");
    EXPECT_FALSE(is_file_or_absent((dir + "/folder").c_str()));
    fs::create_directory_symlink(dir + "/folder", dir + "/to-folder");
    EXPECT_FALSE(is_file_or_absent((dir + "/to-folder").c_str()));
    fs::create_symlink(plain, dir + "/to-file");
    EXPECT_TRUE(is_file_or_absent((dir + "/to-file").c_str()));
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0644), 0);
    EXPECT_FALSE(is_file_or_absent((dir + "/pipe").c_str()));
}

TEST_F(InstallChecks, CompleteProgramsAreWholeElfFiles)
{
    std::string whole = program("P", 3000);
    EXPECT_TRUE(is_complete_program(file("whole", whole).c_str()));
    for (size_t cut : {whole.size() - 1, whole.size() / 2, size_t{100}, size_t{10}, size_t{0}})
        EXPECT_FALSE(is_complete_program(file("cut", whole.substr(0, cut)).c_str())) << cut;
    EXPECT_FALSE(is_complete_program(file("script", "#!/bin/sh\nexec ./gp2xmenu\n").c_str()));
    EXPECT_FALSE(is_complete_program((dir + "/missing").c_str()));
    // A program a linker made is complete, and stops being so when cut.
    std::string built = ShellTest::read_file("/bin/true");
    ASSERT_GT(built.size(), 1000u);
    EXPECT_TRUE(is_complete_program(file("built", built).c_str()));
    EXPECT_FALSE(is_complete_program(file("half", built.substr(0, built.size() / 2)).c_str()));
    EXPECT_FALSE(is_complete_program(file("most", built.substr(0, built.size() - 64)).c_str()));
}

} // namespace
