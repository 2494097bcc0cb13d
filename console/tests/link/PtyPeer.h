// The far end of a real pseudo-terminal for link tests: bytes written here arrive at the link
// as a device's reply; the link's requests can be read back.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

class PtyPeer {
  public:
    PtyPeer() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        path_ = ptsname(master_);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPeer() { close(master_); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return path_; }
    int fd() const { return master_; }

    void send(const std::string& bytes) {
        size_t off = 0;
        while (off < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + off, bytes.size() - off);
            if (n > 0) {
                off += static_cast<size_t>(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                poll(&p, 1, 100);
            }
        }
    }

    // Everything the link has sent so far.
    std::string received() {
        std::string out;
        char buf[4096];
        for (;;) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) break;
            ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }

  private:
    int master_ = -1;
    std::string path_;
};
