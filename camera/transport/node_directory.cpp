#include "camera/transport/node_directory.h"

#include <algorithm>

namespace qcx {

int NodeDirectory::CountNodes() {
    int total = 0;
    for (NodeProvider* provider : providers_) {
        provider->SetFirstNodeNumber(total);
        total += provider->CountNodes();
    }
    return std::min(total, kMaxNodes);
}

std::unique_ptr<DriverNode> NodeDirectory::OpenNode(int node) {
    if (node < 0 || node >= kMaxNodes) return nullptr;
    int first = 0;
    for (NodeProvider* provider : providers_) {
        provider->SetFirstNodeNumber(first);
        const int count = provider->CountNodes();
        if (node < first + count) return provider->OpenNode(node - first);
        first += count;
    }
    return nullptr;
}

}  // namespace qcx
