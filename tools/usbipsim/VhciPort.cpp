#include "VhciPort.h"

#include <errno.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>

namespace usbipsim {

namespace {

// A port nobody uses (VDEV_ST_NULL in the status file's "sta" column).
constexpr int kStatusFree = 4;

bool read_text(const std::string& path, std::string* out) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::stringstream all;
    all << in.rdbuf();
    *out = all.str();
    return true;
}

int write_line(const std::string& path, const std::string& line) {
    ZvUniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return -errno;
    // sysfs takes the whole line in one write or refuses it.
    const ssize_t n = ::write(fd.get(), line.data(), line.size());
    if (n < 0)
        return -errno;
    return n == ssize_t(line.size()) ? 0 : -EIO;
}

} // namespace

std::vector<int> vhci_free_ports(const std::string& statusText) {
    // hub port sta spd dev      sockfd local_busid
    // hs  0000 004 000 00000000 000000 0-0
    std::vector<int> ports;
    std::istringstream in(statusText);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string hub;
        int port = -1, status = -1;
        if (words >> hub >> port >> status && hub == "hs" && status == kStatusFree && port >= 0)
            ports.push_back(port);
    }
    return ports;
}

int vhci_connect(const std::string& dir, ZvUniqueFd* ours) {
    const std::string statusPath = dir + "/status";
    std::string status;
    if (!read_text(statusPath, &status)) {
        fprintf(stderr, "usbipsim: no vhci_hcd (%s): load the vhci-hcd module\n",
                statusPath.c_str());
        return -ENOENT;
    }
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        const int err = errno;
        fprintf(stderr, "usbipsim: socketpair: %s\n", strerror(err));
        return -err;
    }
    ZvUniqueFd mine(sv[0]), kernels(sv[1]);
    // Another attacher may take a port between our read of the status and our write: the
    // kernel then refuses the port and the next free one is tried.
    int result = -EBUSY;
    for (int port : vhci_free_ports(status)) {
        // The device id only has to be unique among the attached devices.
        const unsigned devid = (1u << 16) | unsigned(port + 2);
        char line[64];
        snprintf(line, sizeof line, "%d %d %u %d", port, kernels.get(), devid, kVhciSpeedFull);
        result = write_line(dir + "/attach", line);
        if (result == 0) {
            // The kernel holds its own reference to the socket now; our copy of its end goes.
            *ours = std::move(mine);
            return port;
        }
        if (result != -EINVAL && result != -EBUSY)
            break;
    }
    if (result == -EBUSY || result == -EINVAL)
        fprintf(stderr, "usbipsim: no free port on %s\n", dir.c_str());
    else
        fprintf(stderr, "usbipsim: cannot write %s/attach: %s%s\n", dir.c_str(), strerror(-result),
                result == -EACCES ? " (attaching needs root)" : "");
    return result == -EINVAL ? -EBUSY : result;
}

} // namespace usbipsim
