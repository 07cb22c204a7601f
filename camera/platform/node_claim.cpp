#include "camera/platform/node_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qcx {

std::string NodeClaim::ClaimFolder() {
    for (const char* name : {"QCX_LOCK_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return "/tmp";
}

std::unique_ptr<NodeClaim> NodeClaim::TryClaim(int node) {
    const std::string path = ClaimFolder() + "/qxCamera" + std::to_string(node) + ".lock";
    // flock belongs to the open file description: a second claim from this
    // process conflicts as one from another process does, and the kernel drops
    // the claim when the holder dies, so a crashed program never blocks a node.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<NodeClaim>(new NodeClaim(node, fd));
}

NodeClaim::~NodeClaim() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

}  // namespace qcx
