#include "camera/platform/node_claim.h"

#include <windows.h>

namespace qcx {

std::unique_ptr<NodeClaim> NodeClaim::TryClaim(const std::string& name, int node) {
    // A backslash would name a mutex in another namespace.
    if (name.empty() || name.find('\\') != std::string::npos) return nullptr;
    // Creating the mutex and learning that it existed is one step, so two
    // processes racing for a node cannot both win. It is never waited on:
    // its existence is the claim, and the system drops it with the last
    // handle, also when the holder dies.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) return nullptr;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::unique_ptr<NodeClaim>(new NodeClaim(node, reinterpret_cast<std::intptr_t>(mutex)));
}

NodeClaim::~NodeClaim() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

}  // namespace qcx
