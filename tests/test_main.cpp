// Common main of the test programs: private folders for the node claim files
// and for the registry store of this process (and the processes it forks), so
// tests never meet each other's claims nor write the machine's registry, then
// GoogleTest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string locks;
    std::string registry;
#if !defined(_WIN32)  // on Windows claims are named mutexes and the store is the registry
    if (std::getenv("QCX_LOCK_DIR") == nullptr) {
        std::string pattern = "/tmp/qcx-test-locks-XXXXXX";
        if (char* dir = mkdtemp(pattern.data())) {
            locks = dir;
            setenv("QCX_LOCK_DIR", dir, 1);
        }
    }
    if (std::getenv("QCX_REGISTRY_ROOT") == nullptr) {
        std::string pattern = "/tmp/qcx-test-registry-XXXXXX";
        if (char* dir = mkdtemp(pattern.data())) {
            registry = dir;
            setenv("QCX_REGISTRY_ROOT", dir, 1);
        }
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    for (const std::string& folder : {locks, registry}) {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
    return result;
}
