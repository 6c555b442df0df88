// Starting programs: the clock and timing steps, the order of the shut-down
// and the exact command the system shell gets.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "platform/pc_console.h"
#include "programs/launch.h"

#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class Launch : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(skin_name, "Blue");
        volume = 30;
        open_devices();
        clear_trace();
    }

    static LinkRecord blocks(const char* timing)
    {
        LinkRecord link{};
        copy_text(link.title, "Blocks");
        copy_text(link.link_name, "Blocks");
        copy_text(link.program_file, "Blocks.gpe");
        copy_text(link.program_dir, "/mnt/sd/blocks/");
        copy_text(link.cpu_mhz, "533");
        copy_text(link.timing_tweak, timing);
        return link;
    }

    static std::string last_line()
    {
        std::vector<std::string> lines = trace();
        return lines.empty() ? "" : lines.back();
    }
};

} // namespace

TEST_F(Launch, LinkSequenceInOrder)
{
    ::testing::internal::CaptureStdout();
    launch_link(blocks("no"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "applied: cpuclk\n");
    std::vector<std::string> expected = {"reg32 0xF004 = 0x24B100", "reg32 0xF07C = 0x8000", "run sync",
                                         "unmap registers", "mem close", "battery close", "run sync",
                                         "chdir /mnt/sd/blocks/",
                                         "exec /bin/sh: /bin/sh -c \"/mnt/sd/blocks//Blocks.gpe\""};
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
    EXPECT_EQ(last_line(), "exec /bin/sh: /bin/sh -c \"/mnt/sd/blocks//Blocks.gpe\"");
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
    std::string line = last_line();
    std::string prefix = "exec /bin/sh: /bin/sh -c ";
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    std::string command = line.substr(prefix.size());
    EXPECT_EQ(command, "\"" + work_dir + "/my \\\"games\\\" \\$HOME \\`touch hacked\\` \\\\x//run me.sh\"");

    // The system shell runs exactly that program and nothing else.
    pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "/bin/sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(work_dir + "/ran.txt"), "ran\n");
    EXPECT_FALSE(exists("hacked"));
    EXPECT_FALSE(exists(work_dir + "/hacked"));
}

TEST_F(Launch, FailedReplacementRestartsTheShell)
{
    pc_fail_next_replacements(1);
    ::testing::internal::CaptureStdout();
    launch_link(blocks("no"));
    ::testing::internal::GetCapturedStdout();
    int failed = trace_index("exec /bin/sh: /bin/sh -c \"/mnt/sd/blocks//Blocks.gpe\" (failed)");
    int restarted = trace_index("exec Korvo.gpe: Korvo.gpe");
    ASSERT_GE(failed, 0);
    EXPECT_GT(restarted, failed);
}

TEST_F(Launch, FileFromTheExplorerRunsAtTheCurrentClock)
{
    copy_text(explorer_path, "/mnt/sd/tools/");
    launch_file("calc.gpe");
    EXPECT_FALSE(traced("reg32 0xF004 = 0x24B100"));
    std::vector<std::string> lines = trace();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "chdir /mnt/sd/tools/");
    EXPECT_EQ(lines.back(), "exec /bin/sh: /bin/sh -c \"/mnt/sd/tools//calc.gpe\"");
}
