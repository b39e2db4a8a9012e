#include "sim/sim_pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {
void SetError(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
}
} // namespace

bool SimPty::Open(const std::string& linkPath, std::string* error)
{
    Close();
    int m = posix_openpt(O_RDWR | O_NOCTTY);
    if (m < 0) {
        SetError(error, "posix_openpt");
        return false;
    }
    if (grantpt(m) != 0 || unlockpt(m) != 0) {
        SetError(error, "grantpt/unlockpt");
        ::close(m);
        return false;
    }
    char name[128];
    if (ptsname_r(m, name, sizeof name) != 0) {
        SetError(error, "ptsname");
        ::close(m);
        return false;
    }
    int s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (s < 0) {
        SetError(error, std::string("open ") + name);
        ::close(m);
        return false;
    }
    termios tio{};
    if (tcgetattr(s, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(s, TCSANOW, &tio);
    }
    const int flags = fcntl(m, F_GETFL);
    fcntl(m, F_SETFL, flags | O_NONBLOCK);
    fcntl(m, F_SETFD, FD_CLOEXEC);
    fcntl(s, F_SETFD, FD_CLOEXEC);

    if (!linkPath.empty()) {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path link(linkPath);
        if (link.has_parent_path())
            fs::create_directories(link.parent_path(), ec);
        if (fs::is_symlink(fs::symlink_status(link, ec)) || fs::exists(link, ec))
            fs::remove(link, ec);
        if (::symlink(name, linkPath.c_str()) != 0) {
            SetError(error, "symlink " + linkPath);
            ::close(s);
            ::close(m);
            return false;
        }
    }
    master_ = m;
    slaveKeep_ = s;
    slavePath_ = name;
    linkPath_ = linkPath;
    return true;
}

void SimPty::Close()
{
    if (!linkPath_.empty()) {
        char target[256];
        const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && slavePath_ == std::string(target, size_t(n)))
            ::unlink(linkPath_.c_str()); // another simulator may have taken the name since
    }
    if (slaveKeep_ >= 0)
        ::close(slaveKeep_);
    if (master_ >= 0)
        ::close(master_);
    slaveKeep_ = -1;
    master_ = -1;
    linkPath_.clear();
    slavePath_.clear();
    queue_.clear();
}

size_t SimPty::Read(uint8_t* buffer, size_t capacity)
{
    if (master_ < 0 || capacity == 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(master_, buffer, capacity);
        if (n > 0)
            return size_t(n);
        if (n < 0 && errno == EINTR)
            continue;
        return 0; // EAGAIN, or EIO while no slave is open
    }
}

void SimPty::Write(const uint8_t* bytes, size_t n)
{
    if (master_ < 0 || n == 0)
        return;
    queue_.insert(queue_.end(), bytes, bytes + n);
    if (queue_.size() > kQueueLimit) {
        const size_t drop = queue_.size() - kQueueLimit;
        queue_.erase(queue_.begin(), queue_.begin() + long(drop));
        dropped_ += drop;
    }
    Flush();
}

bool SimPty::Flush()
{
    if (master_ < 0)
        return true;
    uint8_t chunk[4096];
    while (!queue_.empty()) {
        const size_t n = std::min(queue_.size(), sizeof chunk);
        std::copy(queue_.begin(), queue_.begin() + long(n), chunk);
        const ssize_t w = ::write(master_, chunk, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false; // full: the rest waits for the next flush
        queue_.erase(queue_.begin(), queue_.begin() + w);
    }
    return true;
}

} // namespace sim
