#include "camera/platform/node_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qcx {

namespace {

std::string ClaimFolder() {
    for (const char* name : {"QCX_LOCK_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return "/tmp";
}

// Opens the claim file for locking; every user must be able to, whoever made
// it. A lock needs no write access, so an existing file is opened for reading
// and without O_CREAT, which a sticky /tmp refuses on another user's file; a
// new one is made readable by everyone, whatever the umask.
int OpenClaimFile(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        const int created = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (created >= 0) {
            ::fchmod(created, 0666);
            return created;
        }
        if (errno != EEXIST) return -1;  // else another process made it first
    }
    return -1;
}

}  // namespace

std::unique_ptr<NodeClaim> NodeClaim::TryClaim(const std::string& name, int node) {
    // A name that could leave the claim folder would claim some other file.
    if (name.empty() || name.find('/') != std::string::npos) return nullptr;
    const std::string path = ClaimFolder() + "/" + name + ".lock";
    // flock belongs to the open file description: a second claim from this
    // process conflicts as one from another process does, and the kernel drops
    // the claim when the holder dies, so a crashed program never blocks a node.
    int fd = OpenClaimFile(path);
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
    const int fd = static_cast<int>(handle_);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

}  // namespace qcx
