// The cross-process claim of a driver node: while a camera object holds its
// claim no other camera object, in this process or another, takes the node.
#pragma once

#include <memory>
#include <string>

namespace qcx {

class NodeClaim {
public:
    // Claims the node named `name` (the file "<name>.lock" in the claim
    // folder), which the caller opened as node number `node`; null when
    // another camera object holds that name (or the claim file cannot be
    // made, or the name is not a plain file name).
    static std::unique_ptr<NodeClaim> TryClaim(const std::string& name, int node);
    // The claim of a node that is known by its number alone.
    static std::unique_ptr<NodeClaim> TryClaim(int node) { return TryClaim(NumberedName(node), node); }

    // "qxCamera<n>": the claim name of a node that keeps its number.
    static std::string NumberedName(int node);

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
