// The cross-process claim of a driver node: while a camera object holds its
// claim no other camera object, in this process or another, takes the node.
#pragma once

#include <memory>
#include <string>

namespace qcx {

class NodeClaim {
public:
    // Claims node `node`; null when another camera object holds it (or the
    // claim file cannot be made).
    static std::unique_ptr<NodeClaim> TryClaim(int node);

    ~NodeClaim();
    NodeClaim(const NodeClaim&) = delete;
    NodeClaim& operator=(const NodeClaim&) = delete;

    int Node() const { return node_; }

    // The folder of the claim files: $QCX_LOCK_DIR, else $XDG_RUNTIME_DIR,
    // else /tmp.
    static std::string ClaimFolder();

private:
    NodeClaim(int node, int fd) : node_(node), fd_(fd) {}
    int node_;
    int fd_;
};

}  // namespace qcx
