#include "util/fileutil.h"

#include "util/sysutil.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void WriteAll(int fd, const std::string& data, const std::string& context, const std::string& tmp)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            throw EOSError(err, context);
        }
        done += static_cast<size_t>(n);
    }
}


} // namespace

std::string FileKindText(unsigned mode)
{
    if (S_ISDIR(mode))
        return "папка";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "устройство";
    if (S_ISFIFO(mode))
        return "канал (FIFO)";
    if (S_ISSOCK(mode))
        return "сокет";
    if (S_ISREG(mode))
        return "файл";
    return "не обычный файл";
}

std::string ReadWholeFile(const std::string& path, uint64_t maxBytes)
{
    // Non-blocking, so that opening a FIFO cannot wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw EOSError(errno, "Не удалось открыть файл " + path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw EOSError(err, "Не удалось открыть файл " + path);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Exception(Format("Не удалось открыть файл %s: это %s, а не обычный файл", path.c_str(),
                               FileKindText(st.st_mode).c_str()));
    }
    auto tooLarge = [&] {
        ::close(fd);
        return Exception(
            Format("Файл %s больше %llu байт", path.c_str(), static_cast<unsigned long long>(maxBytes)));
    };
    if (static_cast<uint64_t>(st.st_size) > maxBytes)
        throw tooLarge();
    std::string content;
    content.reserve(static_cast<size_t>(st.st_size));
    for (;;) {
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw EOSError(err, "Не удалось прочитать файл " + path);
        }
        if (n == 0)
            break;
        // The file may grow while it is read.
        if (content.size() + static_cast<uint64_t>(n) > maxBytes)
            throw tooLarge();
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return content;
}

namespace {

// A FIFO or a device takes the data as it is: nothing to replace.
void WriteIntoSpecial(const std::string& path, const std::string& data, const std::string& context)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw EOSError(errno, context);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw EOSError(err, context);
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && errno != EINTR)
        throw EOSError(errno, context);
}

} // namespace

void WriteFileAtomically(const std::string& path, const std::string& data)
{
    const std::string context = "Не удалось записать файл " + path;
    std::string target = path;
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        WriteIntoSpecial(path, data, context);
        return;
    }
    if (exists && !S_ISREG(st.st_mode))
        throw Exception(Format("Не удалось записать файл %s: это %s, а не обычный файл", path.c_str(),
                               FileKindText(st.st_mode).c_str()));
    if (exists) {
        // Replace what a link points at, not the link.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    static std::atomic<unsigned> counter{0};
    const std::string tmp = Format("%s.%d.%u.tmp", target.c_str(), static_cast<int>(::getpid()), counter++);
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw EOSError(errno, context);
    if (exists)
        (void)::fchmod(fd, st.st_mode & 07777);
    WriteAll(fd, data, context, tmp);
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        throw EOSError(err, context);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        throw EOSError(err, context);
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        throw EOSError(err, context);
    }
}

