// Tests of the registry store keep it in a folder of their own, named by
// QCX_REGISTRY_ROOT for the length of one test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace qcx::test {

// Restores one environment variable when it goes out of scope.
class SavedEnvironment {
public:
    explicit SavedEnvironment(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) value_ = value;
    }
    ~SavedEnvironment() { value_ ? setenv(name_, value_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> value_;
};

class RegistryRootTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("QCX_REGISTRY_ROOT", root_.c_str(), 1); }

    // Tests may take write permission away; give it back so the folder can go.
    void TearDown() override {
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(root_, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error))
            if (it->is_directory(error)) ::chmod(it->path().c_str(), 0700);
    }

    static bool RunningAsRoot() { return ::geteuid() == 0; }

    std::filesystem::path KeyFolder(const std::string& subkey = "Compossor") const {
        return root_ / "SOFTWARE" / "Vantorix" / "QCXAPI" / subkey;
    }
    std::filesystem::path ValueFile(const std::string& subkey = "Compossor") const {
        return KeyFolder(subkey) / "values.reg";
    }
    static void WriteText(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

    SavedEnvironment savedRoot_{"QCX_REGISTRY_ROOT"};
    TempFolder folder_;
    const std::filesystem::path root_{folder_.Path()};
};

}  // namespace qcx::test
