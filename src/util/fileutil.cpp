#include "util/fileutil.h"

#include "util/sysutil.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
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

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EOSError(errno, "Не удалось открыть файл " + path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        throw EOSError(errno, "Не удалось прочитать файл " + path);
    return buffer.str();
}

void WriteFileAtomically(const std::string& path, const std::string& data)
{
    const std::string context = "Не удалось записать файл " + path;
    std::string target = path;
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
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

