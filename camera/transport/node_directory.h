// The numbered list of driver nodes: the nodes of each provider one after the
// other (real USB cameras first, then simulated ones), at most 32 in all.
#pragma once

#include <memory>
#include <vector>

#include "camera/platform/driver_node.h"

namespace qcx {

inline constexpr int kMaxNodes = 32;

class NodeDirectory {
public:
    // The providers are borrowed and must outlive the directory.
    explicit NodeDirectory(std::vector<NodeProvider*> providers) : providers_(std::move(providers)) {}

    // Number of nodes that can be opened now (at most 32).
    int CountNodes();

    // Opens node `node` (0 ... 31); null when there is no such node or it
    // cannot be opened.
    std::unique_ptr<DriverNode> OpenNode(int node);

private:
    std::vector<NodeProvider*> providers_;
};

}  // namespace qcx
