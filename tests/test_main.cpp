// Common main of the test programs: a private folder for the node claim files
// of this process (and the processes it forks), then GoogleTest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (std::getenv("QCX_LOCK_DIR") == nullptr) {
        std::string pattern = "/tmp/qcx-test-locks-XXXXXX";
        if (char* dir = mkdtemp(pattern.data())) setenv("QCX_LOCK_DIR", dir, 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
