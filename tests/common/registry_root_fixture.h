// Tests of the registry store run against a root folder of their own, named
// by QCX_REGISTRY_ROOT for the length of one test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace qcx::test {

// Restores one environment variable when it goes out of scope.
class SavedEnvironment {
public:
    explicit SavedEnvironment(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) value_ = value;
    }
    ~SavedEnvironment() {
        if (value_)
            setenv(name_, value_->c_str(), 1);
        else
            unsetenv(name_);
    }
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> value_;
};

class RegistryRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "qcx-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("QCX_REGISTRY_ROOT", root_.c_str(), 1);
    }

    void TearDown() override {
        // Tests may take write permission away; give it back so the folder can go.
        std::error_code error;
        ::chmod(root_.c_str(), 0700);
        for (auto it = std::filesystem::recursive_directory_iterator(root_, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_directory(error)) ::chmod(it->path().c_str(), 0700);
        }
        std::filesystem::remove_all(root_, error);
    }

    static bool RunningAsRoot() { return ::geteuid() == 0; }

    std::filesystem::path KeyFolder(const std::string& subkey = "Compossor") const {
        return root_ / "SOFTWARE" / "Vantorix" / "QCXAPI" / subkey;
    }

    std::filesystem::path ValueFile(const std::string& subkey = "Compossor") const {
        return KeyFolder(subkey) / "values.reg";
    }

    static std::string ReadText(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static void WriteText(const std::filesystem::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }

    static std::set<std::string> FileNames(const std::filesystem::path& folder) {
        std::set<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::filesystem::path root_;

private:
    SavedEnvironment savedRoot_{"QCX_REGISTRY_ROOT"};
};

}  // namespace qcx::test
