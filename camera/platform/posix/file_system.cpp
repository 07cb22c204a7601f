#include "camera/platform/file_system.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>

namespace qcx {

const std::string& LibraryFilePath() {
    static const std::string path = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&LibraryFilePath), &info) == 0 || info.dli_fname == nullptr)
            return std::string();
        char resolved[PATH_MAX];
        if (realpath(info.dli_fname, resolved) != nullptr) return std::string(resolved);
        return std::string(info.dli_fname);
    }();
    return path;
}

bool CreateFolderTree(const std::string& path) {
    if (path.empty()) return false;
    std::string partial;
    partial.reserve(path.size());
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || (path[i] == '/' && i > 0)) {
            if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
        if (i < path.size()) partial.push_back(path[i]);
    }
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace qcx
