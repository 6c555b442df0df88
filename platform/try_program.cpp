#include "platform/try_program.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kPollMs = 20;

long long now_ms()
{
    timeval t{};
    gettimeofday(&t, nullptr);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_usec / 1000;
}

// Whether the environment entry sets the same name as the setting.
bool same_name(const char* entry, const char* setting)
{
    size_t length = std::strcspn(setting, "=");
    return std::strncmp(entry, setting, length) == 0 && entry[length] == '=';
}

// This process's environment with the settings in place of entries of
// the same names.
std::vector<char*> environment_with(const char* const settings[])
{
    std::vector<char*> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        bool replaced = false;
        for (const char* const* setting = settings; *setting && !replaced; ++setting)
            replaced = same_name(*entry, *setting);
        if (!replaced)
            entries.push_back(*entry);
    }
    for (const char* const* setting = settings; *setting; ++setting)
        entries.push_back(const_cast<char*>(*setting));
    entries.push_back(nullptr);
    return entries;
}

void write_all(int fd, const char* text)
{
    size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t n = write(fd, text, length);
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

// The child: in a process group of its own (so that a kill reaches what it
// started), input from nothing, both outputs into the pipe.
[[noreturn]] void become(const char* path, const char* const argv[], char* const envp[], int out)
{
    setpgid(0, 0);
    int nothing = open("/dev/null", O_RDONLY);
    if (nothing > 0) {
        dup2(nothing, STDIN_FILENO);
        close(nothing);
    }
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    if (out > STDERR_FILENO)
        close(out);
    execve(path, const_cast<char* const*>(argv), envp);
    int error = errno;
    write_all(STDERR_FILENO, path);
    write_all(STDERR_FILENO, ": ");
    write_all(STDERR_FILENO, std::strerror(error));
    write_all(STDERR_FILENO, "\n");
    _exit(127);
}

// Keeps what fits of the program's output and reads the rest away, so that
// a talkative program never blocks on a full pipe. False at its end.
bool take_output(int fd, char* output, unsigned long capacity, unsigned long& kept)
{
    char block[512];
    for (;;) {
        ssize_t n = read(fd, block, sizeof block);
        if (n == 0)
            return false;
        if (n < 0)
            return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
        for (ssize_t i = 0; i < n && kept + 1 < capacity; ++i)
            output[kept++] = block[i];
        if (capacity > 0)
            output[kept] = '\0';
    }
}

ProgramRun outcome(int status)
{
    ProgramRun run;
    if (WIFEXITED(status)) {
        run.end = ProgramEnd::Exited;
        run.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.end = ProgramEnd::Signalled;
        run.code = WTERMSIG(status);
    }
    return run;
}

} // namespace

ProgramRun try_program(const char* path, const char* const argv[], const char* const settings[], int timeout_ms,
                       char* output, unsigned long capacity)
{
    if (capacity > 0)
        output[0] = '\0';
    std::vector<char*> envp = environment_with(settings);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        return ProgramRun{};
    fcntl(pipe_fds[0], F_SETFD, FD_CLOEXEC);
    fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
    pid_t child = fork();
    if (child < 0) {
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        return ProgramRun{};
    }
    if (child == 0) {
        close(pipe_fds[0]);
        become(path, argv, envp.data(), pipe_fds[1]);
    }
    close(pipe_fds[1]);
    setpgid(child, child);   // also here: the kill below must not wait on the child's own call

    unsigned long kept = 0;
    bool reading = true;
    int status = 0;
    bool ended = false;
    long long deadline = now_ms() + timeout_ms;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            ended = true;
            break;
        }
        long long left = deadline - now_ms();
        if (left <= 0)
            break;
        int wait = static_cast<int>(left < kPollMs ? left : kPollMs);
        if (reading) {
            pollfd ready{pipe_fds[0], POLLIN, 0};
            if (poll(&ready, 1, wait) > 0)
                reading = take_output(pipe_fds[0], output, capacity, kept);
        } else {
            usleep(static_cast<useconds_t>(wait) * 1000);
        }
    }
    ProgramRun run;
    if (ended) {
        run = outcome(status);
    } else {
        kill(-child, SIGKILL);
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        run.end = ProgramEnd::TimedOut;
    }
    // What it wrote last; a process it left behind may hold the pipe open,
    // so only what is there already.
    if (reading)
        take_output(pipe_fds[0], output, capacity, kept);
    close(pipe_fds[0]);
    return run;
}
