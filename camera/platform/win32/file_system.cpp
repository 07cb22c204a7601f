#include "camera/platform/file_system.h"

#include <windows.h>

namespace qcx {

const std::string& LibraryFilePath() {
    static const std::string path = [] {
        // The module that holds this function: the DLL, not the program.
        HMODULE self = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCSTR>(&LibraryFilePath), &self))
            return std::string();
        char name[MAX_PATH];
        const DWORD length = GetModuleFileNameA(self, name, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return std::string();
        return std::string(name, length);
    }();
    return path;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Where the folders that may need making begin: after a drive ("C:\"), a
// share ("\\server\share\") or a leading separator.
std::size_t FirstMadePart(const std::string& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::size_t pos = 2;
        for (int part = 0; part < 2 && pos < path.size(); ++part) {
            while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
            if (pos < path.size()) ++pos;
        }
        return pos;
    }
    if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    return IsSeparator(path[0]) ? 1 : 0;
}

}  // namespace

bool CreateFolderTree(const std::string& path) {
    if (path.empty()) return false;
    for (std::size_t i = FirstMadePart(path); i <= path.size(); ++i) {
        if (i != path.size() && !IsSeparator(path[i])) continue;
        if (i == 0 || IsSeparator(path[i - 1])) continue;
        const std::string partial = path.substr(0, i);
        if (!CreateDirectoryA(partial.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return IsFolder(path);
}

}  // namespace qcx
