// The cross-process claim of a driver node: while a camera object holds its
// claim no other camera object, in this process or another, takes the node.
// On POSIX systems a claim is an flock on the file "<name>.lock" in the claim
// folder ($QCX_LOCK_DIR, else $XDG_RUNTIME_DIR, else /tmp); on Windows it is
// the named mutex "<name>", which exists while some process holds it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qcx {

class NodeClaim {
public:
    // Claims the node named `name`, which the caller opened as node number
    // `node`; null when another camera object holds that name (or the claim
    // cannot be made, or the name is not a plain file name).
    static std::unique_ptr<NodeClaim> TryClaim(const std::string& name, int node);
    // The claim of a node that is known by its number alone.
    static std::unique_ptr<NodeClaim> TryClaim(int node) { return TryClaim(NumberedName(node), node); }

    // "qxCamera<n>": the claim name of a node that keeps its number.
    static std::string NumberedName(int node) { return "qxCamera" + std::to_string(node); }

    ~NodeClaim();
    NodeClaim(const NodeClaim&) = delete;
    NodeClaim& operator=(const NodeClaim&) = delete;

    int Node() const { return node_; }

private:
    // `handle`: the claim file's descriptor, or the mutex's handle.
    NodeClaim(int node, std::intptr_t handle) : node_(node), handle_(handle) {}
    int node_;
    std::intptr_t handle_;
};

}  // namespace qcx
