// Starting programs: the clock and timing steps, the order of the shut-down
// and the exact command the system shell gets.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "platform/pc_console.h"
#include "programs/launch.h"

#include <filesystem>
#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class Launch : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(skin_name, "Blue");
        volume = 30;
        blocks_dir = make_program("sd/blocks", "Blocks.gpe");
        open_devices();
        clear_trace();
    }

    LinkRecord blocks(const char* timing) const
    {
        LinkRecord link{};
        copy_text(link.title, "Blocks");
        copy_text(link.link_name, "Blocks");
        copy_text(link.program_file, "Blocks.gpe");
        copy_text(link.program_dir, blocks_dir);
        copy_text(link.cpu_mhz, "533");
        copy_text(link.timing_tweak, timing);
        return link;
    }

    static std::string last_line()
    {
        std::vector<std::string> lines = trace();
        return lines.empty() ? "" : lines.back();
    }

    // The command the system shell was given, from the trace.
    static std::string shell_command()
    {
        std::string prefix = "exec /bin/sh: /bin/sh -c ";
        for (const std::string& line : trace())
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        return "";
    }

    std::string blocks_dir;
};

constexpr const char* kBackToMenu = "; cd /usr/gp2x; exec /usr/gp2x/gp2xmenu";

// The menu as the console has it: the shell, which notes that it ran and,
// as its "killall sh" at start does, ends a system shell waiting behind it.
constexpr const char* kMenuStandIn =
    "#!/bin/sh\n"
    "echo menu >> \"$(dirname \"$0\")/ran.txt\"\n"
    "[ \"$(cat /proc/$PPID/comm)\" = sh ] && kill $PPID\n"
    "exit 0\n";

// Runs a launch command with the system shell as the console would, with
// the menu's folder standing at menu_dir; its exit status.
int run_on_host(std::string command, const std::string& menu_dir)
{
    for (size_t at; (at = command.find("/usr/gp2x")) != std::string::npos;)
        command.replace(at, 9, menu_dir);
    pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "/bin/sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(Launch, LinkSequenceInOrder)
{
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(launch_link(blocks("no")));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "applied: cpuclk\n");
    std::vector<std::string> expected = {"reg32 0xF000 reads 0x1000080", "reg32 0xF000 = 0x1000080",
                                         "reg32 0xF004 = 0x24B100", "reg32 0xF07C reads 0x0",
                                         "reg32 0xF07C = 0x8000", "reg32 0xF07C reads 0x0", "run sync",
                                         "unmap registers", "mem close", "battery close", "run sync",
                                         "chdir " + blocks_dir,
                                         "exec /bin/sh: /bin/sh -c \"" + blocks_dir + "/Blocks.gpe\"" + kBackToMenu};
    EXPECT_EQ(trace(), expected);
    EXPECT_EQ(read_file("user/amy/settings.st"), " Blue 0 0 0 0 30") << "settings saved before the program runs";
}

TEST_F(Launch, TimingSetComesAfterTheClock)
{
    ::testing::internal::CaptureStdout();
    launch_link(blocks("yes"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "applied: cpuclk\napplied: lcd_timings, ram_timings, dpc_clkdiv0\n");
    EXPECT_LT(trace_index("reg32 0xF004 = 0x24B100"), trace_index("reg16 0x307C = 0x18D"));
}

TEST_F(Launch, EmptyClockIsReportedAndTheProgramStillStarts)
{
    LinkRecord link = blocks("no");
    link.cpu_mhz[0] = '\0';
    ::testing::internal::CaptureStderr();
    launch_link(link);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("pollux_set parser: error at"), std::string::npos);
    EXPECT_FALSE(traced("reg32 0xF004 = 0x24B100"));
    EXPECT_TRUE(launched_program(blocks_dir, "Blocks.gpe"));
}

TEST_F(Launch, SpecialCharactersReachTheShellLiterally)
{
    // A folder whose name the shell would otherwise expand or run.
    std::string folder = work_dir + "/my \"games\" $HOME `touch hacked` \\x/";
    write_file(folder + "run me.sh", "#!/bin/sh\necho ran > \"$(dirname \"$0\")/../ran.txt\"\n");
    chmod((folder + "run me.sh").c_str(), 0755);
    LinkRecord link = blocks("no");
    copy_text(link.program_dir, folder);
    copy_text(link.program_file, "run me.sh");
    ::testing::internal::CaptureStdout();
    launch_link(link);
    ::testing::internal::GetCapturedStdout();
    std::string command = shell_command();
    EXPECT_EQ(command, "\"" + work_dir + "/my \\\"games\\\" \\$HOME \\`touch hacked\\` \\\\x//run me.sh\"" +
                           kBackToMenu);

    // The system shell runs exactly that program and nothing else, then
    // the menu.
    write_file("menu/gp2xmenu", kMenuStandIn);
    chmod("menu/gp2xmenu", 0755);
    EXPECT_EQ(run_on_host(command, work_dir + "/menu"), 0);
    EXPECT_EQ(read_file(work_dir + "/ran.txt"), "ran\n");
    EXPECT_EQ(read_file("menu/ran.txt"), "menu\n");
    EXPECT_FALSE(exists("hacked"));
    EXPECT_FALSE(exists(work_dir + "/hacked"));
}

// The menu comes back once whatever the program does: it ends, it fails,
// its file went away after the check, or it starts the menu itself.
TEST_F(Launch, TheMenuComesBackOnceAfterEveryProgram)
{
    write_file("menu/gp2xmenu", kMenuStandIn);
    chmod("menu/gp2xmenu", 0755);
    std::string menu = work_dir + "/menu";
    const std::pair<const char*, const char*> programs[] = {
        {"ends.gpe", "#!/bin/sh\nexit 0\n"},
        {"fails.gpe", "#!/bin/sh\nexit 3\n"},
        {"goes_back.gpe", "#!/bin/sh\ncd /usr/gp2x\nexec /usr/gp2x/gp2xmenu\n"},
    };
    for (const auto& [file, script] : programs) {
        std::filesystem::remove("menu/ran.txt");
        std::string dir = make_program("progs", file);
        write_file("progs/" + std::string(file), script);
        std::string text = script;
        for (size_t at; (at = text.find("/usr/gp2x")) != std::string::npos;)
            text.replace(at, 9, menu);
        write_file("progs/" + std::string(file), text);
        clear_trace();
        copy_text(explorer_path, dir);
        ASSERT_TRUE(launch_file(file));
        run_on_host(shell_command(), menu);
        EXPECT_EQ(read_file("menu/ran.txt"), "menu\n") << file;
    }
    // Taken away between the check and the start (the card pulled out).
    std::filesystem::remove("menu/ran.txt");
    clear_trace();
    copy_text(explorer_path, make_program("progs", "gone.gpe"));
    ASSERT_TRUE(launch_file("gone.gpe"));
    std::filesystem::remove("progs/gone.gpe");
    run_on_host(shell_command(), menu);
    EXPECT_EQ(read_file("menu/ran.txt"), "menu\n");
}

TEST_F(Launch, ProgramsThatCannotRunAreRefusedWithTheShellIntact)
{
    write_file("sd/data/notes.txt", "not a program");
    chmod("sd/data/notes.txt", 0644);
    std::filesystem::create_directories("sd/data/folder.gpe");
    ASSERT_EQ(mkfifo("sd/data/pipe.gpe", 0755), 0);
    std::string dir = work_dir + "/sd/data/";
    for (const char* file : {"missing.gpe", "notes.txt", "folder.gpe", "pipe.gpe"}) {
        clear_trace();
        LinkRecord link = blocks("yes");
        copy_text(link.program_dir, dir);
        copy_text(link.program_file, file);
        EXPECT_TRUE(shows_message("Cannot start program!", 0, [&] { EXPECT_FALSE(launch_link(link)); })) << file;
        copy_text(explorer_path, dir);
        EXPECT_TRUE(shows_message("Cannot start program!", 0, [&] { EXPECT_FALSE(launch_file(file)); })) << file;
        for (const std::string& line : trace())
            EXPECT_TRUE(line.rfind("run ", 0) != 0 && line.rfind("reg", 0) != 0 && line.rfind("exec", 0) != 0 &&
                        line != "unmap registers" && line != "battery close")
                << file << ": " << line;
    }
    EXPECT_FALSE(exists("user/amy/settings.st.tmp"));
    EXPECT_EQ(read_file("user/amy/settings.st"), "wallpaper/Blue.png Blue 2 0 0 0 50") << "nothing saved";
}

TEST_F(Launch, FailedReplacementRestartsTheShell)
{
    pc_fail_next_replacements(1);
    ::testing::internal::CaptureStdout();
    launch_link(blocks("no"));
    ::testing::internal::GetCapturedStdout();
    int failed = trace_index("exec /bin/sh: /bin/sh -c \"" + blocks_dir + "/Blocks.gpe\"" + kBackToMenu + " (failed)");
    int restarted = trace_index("exec Korvo.gpe: Korvo.gpe");
    ASSERT_GE(failed, 0);
    EXPECT_GT(restarted, failed);
}

TEST_F(Launch, FileFromTheExplorerRunsAtTheCurrentClock)
{
    std::string tools = make_program("sd/tools", "calc.gpe");
    copy_text(explorer_path, tools);
    launch_file("calc.gpe");
    EXPECT_FALSE(traced("reg32 0xF004 = 0x24B100"));
    std::vector<std::string> lines = trace();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "chdir " + tools);
    EXPECT_TRUE(launched_program(tools, "calc.gpe"));
    EXPECT_EQ(lines.back(), "exec /bin/sh: /bin/sh -c \"" + tools + "/calc.gpe\"" + kBackToMenu);
}

// A program started on a file: the file's path is its one argument, quoted
// and escaped like the program's own path, whatever its name holds, and
// made absolute, since the program runs in its own folder.
TEST_F(Launch, FileOfAHostileNameReachesTheProgramAsItsOneArgument)
{
    write_file("emu/run me.gpe", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/got.txt\"\n");
    chmod("emu/run me.gpe", 0755);
    LinkRecord link = blocks("no");
    copy_text(link.program_dir, work_dir + "/emu/");
    copy_text(link.program_file, "run me.gpe");
    write_file("menu/gp2xmenu", kMenuStandIn);
    chmod("menu/gp2xmenu", 0755);
    const std::string names[] = {
        "a \"quoted\" $HOME `touch hacked` \\x.gb",
        "semi; touch hacked; 'single' $(touch hacked).gb",
        "-n",
        "new\nline.gb",
    };
    for (const std::string& name : names) {
        std::string file = "sd/roms/" + name;
        write_file(file, "rom");
        open_devices();   // the launch before closed them
        clear_trace();
        ::testing::internal::CaptureStdout();
        EXPECT_TRUE(launch_link_on_file(link, file.c_str()));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "applied: cpuclk\n") << "at the link's clock";
        EXPECT_TRUE(traced("chdir " + work_dir + "/emu/"));
        std::filesystem::remove("emu/got.txt");
        EXPECT_EQ(run_on_host(shell_command(), work_dir + "/menu"), 0) << name;
        EXPECT_EQ(read_file("emu/got.txt"), "1|" + work_dir + "/" + file) << name;
        EXPECT_FALSE(exists("hacked"));
        EXPECT_FALSE(exists(work_dir + "/emu/hacked"));
    }
    // The command itself: the program's path, then the file's, each quoted.
    copy_text(link.program_file, "emu.gpe");
    write_file("emu/emu.gpe", "#!/bin/sh\n");
    chmod("emu/emu.gpe", 0755);
    clear_trace();
    ::testing::internal::CaptureStdout();
    launch_link_on_file(link, "/mnt/sd/roms/a $b.gb");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(shell_command(), "\"" + work_dir + "/emu//emu.gpe\" \"/mnt/sd/roms/a \\$b.gb\"" + kBackToMenu);
}
