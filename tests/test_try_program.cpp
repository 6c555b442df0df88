// Trying a program out for real (the installer's start check of the shell):
// how it ended, what it wrote, and that a hanging one is stopped with all it
// started.
#include "platform/pc_console.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Tried {
    ProgramRun run;
    std::string output;
};

Tried try_shell_command(const std::string& command, int timeout_ms = 5000, unsigned long capacity = 4096,
                        const char* const settings[] = nullptr)
{
    static const char* const none[] = {nullptr};
    const char* const argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    std::string output(capacity, '\0');
    Tried tried;
    tried.run = platform_try_program("/bin/sh", argv, settings ? settings : none, timeout_ms, output.data(), capacity);
    tried.output = output.c_str();
    return tried;
}

// Gone, or a zombie that nobody has reaped yet: in either case not running.
bool running(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

class TryProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        pc_reset();
        char pattern[] = "/tmp/korvo-try-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir;
};

} // namespace

TEST_F(TryProgram, StatusAndBothOutputs)
{
    // Input is nothing: a program reading it gets the end at once.
    Tried tried = try_shell_command("echo out; echo err >&2; read line; echo read $?; exit 3");
    EXPECT_EQ(tried.run.end, ProgramEnd::Exited);
    EXPECT_EQ(tried.run.code, 3);
    EXPECT_EQ(tried.output, "out\nerr\nread 1\n");
    std::vector<std::string> trace = pc_trace();
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].rfind("try /bin/sh -c echo out;", 0), 0u) << trace[0];
    EXPECT_NE(trace[0].find(": status 3"), std::string::npos) << trace[0];

    tried = try_shell_command("kill -SEGV $$");
    EXPECT_EQ(tried.run.end, ProgramEnd::Signalled);
    EXPECT_EQ(tried.run.code, SIGSEGV);
}

TEST_F(TryProgram, SettingsJoinTheEnvironmentInPlaceOfTheirNames)
{
    setenv("KORVO_TRY_A", "old", 1);
    const char* const settings[] = {"KORVO_TRY_A=new", "KORVO_TRY_B=2", nullptr};
    Tried tried = try_shell_command("echo \"$KORVO_TRY_A $KORVO_TRY_B\"; env | grep -c '^KORVO_TRY_A='", 5000, 4096,
                                    settings);
    unsetenv("KORVO_TRY_A");
    EXPECT_EQ(tried.output, "new 2\n1\n");
    EXPECT_EQ(tried.run.code, 0);
}

TEST_F(TryProgram, ProgramThatCannotBeExecutedEndsWith127AndSaysWhy)
{
    const char* const none[] = {nullptr};
    char output[256];
    std::string missing = dir + "/missing";
    const char* const argv[] = {missing.c_str(), nullptr};
    ProgramRun run = platform_try_program(missing.c_str(), argv, none, 5000, output, sizeof output);
    EXPECT_EQ(run.end, ProgramEnd::Exited);
    EXPECT_EQ(run.code, 127);
    EXPECT_EQ(std::string(output), missing + ": " + std::strerror(ENOENT) + "\n");

    // A complete program for another machine: this one's own with another
    // machine in its header.
    std::ifstream in("/bin/true", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string program = bytes.str();
    ASSERT_GT(program.size(), 20u);
    program[18] = program[18] == 40 ? 62 : 40;   // ARM, or x86-64 on an ARM machine
    program[19] = 0;
    std::string other = dir + "/other";
    std::ofstream(other, std::ios::binary) << program;
    fs::permissions(other, fs::perms::owner_all);
    const char* const other_argv[] = {other.c_str(), nullptr};
    run = platform_try_program(other.c_str(), other_argv, none, 5000, output, sizeof output);
    EXPECT_TRUE(run.end != ProgramEnd::Exited || run.code != 0) << output;
}

TEST_F(TryProgram, ProgramThatDoesNotEndIsStoppedWithWhatItStarted)
{
    std::string pid_file = dir + "/pid";
    Tried tried = try_shell_command("sleep 30 & echo $! > " + pid_file + "; echo started; sleep 30", 300);
    EXPECT_EQ(tried.run.end, ProgramEnd::TimedOut);
    EXPECT_EQ(tried.output, "started\n");
    std::ifstream in(pid_file);
    pid_t background = 0;
    ASSERT_TRUE(in >> background);
    for (int i = 0; i < 100 && running(background); ++i)
        usleep(20000);
    EXPECT_FALSE(running(background)) << "what the program started is stopped too";
    EXPECT_NE(pc_trace().back().find(": killed after 300 ms"), std::string::npos) << pc_trace().back();
}

TEST_F(TryProgram, TalkativeProgramKeepsTheStartAndIsNotHeldUp)
{
    Tried tried = try_shell_command("head -c 300000 /dev/zero | tr '\\0' x; echo; exit 0", 5000, 64);
    EXPECT_EQ(tried.run.end, ProgramEnd::Exited);
    EXPECT_EQ(tried.run.code, 0);
    EXPECT_EQ(tried.output, std::string(63, 'x'));
}
