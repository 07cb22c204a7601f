// Sets QCX_SIM for one test and gives the simulated cameras a fresh start.
#pragma once

#include <cstdlib>

#include "sim/sim_node_provider.h"

namespace qcx::test {

class ScopedSimCameras {
public:
    explicit ScopedSimCameras(const char* list) {
        if (list != nullptr) setenv("QCX_SIM", list, 1);
        else unsetenv("QCX_SIM");
        SimNodeProvider::Instance().Reset();
    }
    ~ScopedSimCameras() {
        unsetenv("QCX_SIM");
        SimNodeProvider::Instance().Reset();
    }
    ScopedSimCameras(const ScopedSimCameras&) = delete;
    ScopedSimCameras& operator=(const ScopedSimCameras&) = delete;
};

}  // namespace qcx::test
