#include "core/files.h"

#include "core/text.h"
#include "platform/platform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
uint32_t writes = 0;
}

File open_regular_file(const char* path)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer; the status of the open descriptor then tells what it is.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    File file(fdopen(fd, "r"));
    if (!file)
        close(fd);
    return file;
}

bool file_exists(const char* path)
{
    return open_regular_file(path) != nullptr;
}

bool is_regular_file(const char* path)
{
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool FileStamp::operator==(const FileStamp& o) const
{
    return device == o.device && inode == o.inode && size == o.size && modified_s == o.modified_s &&
           modified_ns == o.modified_ns && changed_s == o.changed_s && changed_ns == o.changed_ns;
}

bool file_stamp(const char* path, FileStamp& stamp)
{
    struct stat status;
    if (stat(path, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    stamp = {status.st_dev,         status.st_ino,          status.st_size,         status.st_mtim.tv_sec,
             status.st_mtim.tv_nsec, status.st_ctim.tv_sec, status.st_ctim.tv_nsec};
    return true;
}

uint32_t files_written()
{
    return writes;
}

void note_file_written()
{
    ++writes;
}

bool replace_file(const char* path, std::string_view content)
{
    note_file_written();
    char temporary[600];
    if (!format_into(temporary, "%s.tmp", path))
        return false;
    File file = open_file(temporary, "wb");
    if (!file)
        return false;
    bool written = std::fwrite(content.data(), 1, content.size(), file.get()) == content.size() &&
                   std::fflush(file.get()) == 0 && fsync(fileno(file.get())) == 0;
    written = std::fclose(file.release()) == 0 && written;
    if (!written || std::rename(temporary, path) != 0) {
        std::remove(temporary);
        return false;
    }
    return true;
}

bool save_file(const char* path, std::string_view content)
{
    if (!replace_file(path, content))
        return false;
    platform_run("sync");
    return true;
}

bool read_word(std::FILE* file, char* dst, size_t capacity)
{
    int c;
    do
        c = std::fgetc(file);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f');
    if (c == EOF)
        return false;
    size_t n = 0;
    while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') {
        if (n + 1 < capacity)
            dst[n++] = static_cast<char>(c);
        c = std::fgetc(file);
    }
    if (c != EOF)
        std::ungetc(c, file);
    if (capacity > 0)
        dst[n] = '\0';
    return true;
}

bool read_int(std::FILE* file, int32_t& value)
{
    char word[32];
    if (!read_word(file, word, sizeof word))
        return false;
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(word, &end, 10);
    if (end == word)
        return false;
    if (number > INT32_MAX)
        number = INT32_MAX;
    if (number < INT32_MIN)
        number = INT32_MIN;
    value = static_cast<int32_t>(number);
    return true;
}
