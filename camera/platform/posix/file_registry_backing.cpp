// The registry kept in files. A key is a folder below the root folder, one
// folder per backslash part; its values live in the text file "values.reg"
// of that folder (registry_value_file.h has its text).
//
// Every write replaces the whole file through a temporary file and a rename,
// so a reader (in this process or another) sees the old file or the new one,
// never a torn one. A line that does not parse is a missing value, and the
// next write drops it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "camera/platform/file_system.h"
#include "camera/platform/registry_backing.h"
#include "camera/platform/registry_value_file.h"

namespace qcx {
namespace {

constexpr char kMachineRoot[] = "/etc/qcxapi/registry";
// A value file larger than this is not read; a write that would make one is refused,
// so that everything written can be read back.
constexpr std::size_t kMaxValueFileBytes = 64u << 20;

// ---- Files and folders ----------------------------------------------------

bool IsFolder(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The whole value file; empty when it is missing or cannot be read (neither
// a regular file nor readable, or too large).
std::string ReadValueFile(const std::string& path) {
    std::string text;
    // Non-blocking, so that a pipe put in the file's place cannot stall the reader.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return text;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= kMaxValueFileBytes) {
        char chunk[8192];
        try {
            for (;;) {
                ssize_t got = ::read(fd, chunk, sizeof chunk);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) {
                    text.clear();
                    break;
                }
                if (got == 0) break;
                text.append(chunk, static_cast<std::size_t>(got));
                if (text.size() > kMaxValueFileBytes) {
                    text.clear();
                    break;
                }
            }
        } catch (...) {
            text.clear();  // no memory for it: as good as unreadable
        }
    }
    ::close(fd);
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// Writes `text` to a new file beside `target`, flushes it to the disk and
// renames it over `target`. The temporary file never outlives a failure.
bool ReplaceFile(const std::string& folder, const std::string& target, const std::string& text) {
    static std::atomic<unsigned> serial{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = target + "." + std::to_string(::getpid()) + "." + std::to_string(serial++) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; the value is written even if this fails.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Writers of this process take turns over read, change and rename, so that
// no write is lost to another that read the file before it was replaced.
std::mutex& StoreMutex() {
    static std::mutex mutex;
    return mutex;
}

class FileRegistryKey final : public RegistryKey {
public:
    FileRegistryKey(std::string folder, std::string keyPath)
        : folder_(std::move(folder)),
          keyPath_(std::move(keyPath)),
          valueFile_(folder_ + "/" + kRegistryValueFileName) {}

    bool SetNumber(std::string_view name, std::uint32_t value) override {
        try {
            return Store(name, RegistryValueType::kNumber, RegistryNumberBytes(value));
        } catch (...) {
            return false;
        }
    }

    bool SetBytes(std::string_view name, const std::uint8_t* data, std::size_t length) override {
        if (data == nullptr && length > 0) return false;
        try {
            std::vector<std::uint8_t> content;
            if (length > 0) content.assign(data, data + length);
            return Store(name, RegistryValueType::kBytes, std::move(content));
        } catch (...) {
            return false;
        }
    }

    RegistryQuery Query(std::string_view name) const override {
        RegistryQuery query;
        try {
            if (!IsFolder(folder_)) return query;  // the key was deleted
            StoredRegistryValues values = ParseValueFile(ReadValueFile(valueFile_));
            auto found = FindStoredValue(values, name);
            if (found == values.end()) {
                query.result = RegistryQuery::Result::kMissing;
                return query;
            }
            query.type = found->type;
            query.content = std::move(found->content);
            query.result = RegistryQuery::Result::kFound;
        } catch (...) {
            query.content.clear();
            query.result = RegistryQuery::Result::kFailed;
        }
        return query;
    }

private:
    bool Store(std::string_view name, RegistryValueType type, std::vector<std::uint8_t> content) {
        if (!IsStorableRegistryName(name)) return false;
        std::lock_guard<std::mutex> lock(StoreMutex());
        if (!IsFolder(folder_)) return false;  // a deleted key is not brought back by a write
        StoredRegistryValues values = ParseValueFile(ReadValueFile(valueFile_));
        auto existing = FindStoredValue(values, name);
        if (existing == values.end()) {
            values.push_back(StoredRegistryValue{std::string(name), type, std::move(content)});
        } else {
            existing->type = type;
            existing->content = std::move(content);
        }
        std::string text = FormatValueFile(keyPath_, values);
        if (text.size() > kMaxValueFileBytes) return false;
        return ReplaceFile(folder_, valueFile_, text);
    }

    std::string folder_;
    std::string keyPath_;  // as the folders spell it, for the key line of the file
    std::string valueFile_;
};

// Splits "A\B\C" into its parts; false when a part is empty, "." or "..",
// or holds a character a folder name cannot carry.
bool SplitKeyPath(std::string_view path, std::vector<std::string>& parts) {
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string_view part =
            end == std::string_view::npos ? path.substr(start) : path.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string_view::npos ||
            part.find('\0') != std::string_view::npos)
            return false;
        parts.emplace_back(part);
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

// The sub-folder of `folder` that is the key part `part`, in whatever case
// its letters were created; empty when there is none.
std::string FindKeyFolder(const std::string& folder, const std::string& part) {
    if (IsFolder(folder + "/" + part)) return part;
    std::string found;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return found;
    while (const dirent* entry = ::readdir(dir)) {
        if (RegistryNamesEqual(entry->d_name, part) && IsFolder(folder + "/" + entry->d_name)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// A folder that exists, or could be created, and that this process may
// read and write.
bool MayWriteFolder(const std::string& folder) {
    if (!IsFolder(folder) && !CreateFolderTree(folder)) return false;
    return ::access(folder.c_str(), R_OK | W_OK | X_OK) == 0;
}

}  // namespace

std::string ChooseRegistryRoot(const RegistryRootCandidates& candidates) {
    if (!candidates.explicitRoot.empty()) return candidates.explicitRoot;
    if (!candidates.machineRoot.empty() && MayWriteFolder(candidates.machineRoot)) return candidates.machineRoot;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    if (!candidates.xdgConfigHome.empty() && candidates.xdgConfigHome.front() == '/')
        return candidates.xdgConfigHome + "/qcxapi/registry";
    if (!candidates.home.empty()) return candidates.home + "/.config/qcxapi/registry";
    return {};
}

std::string RegistryRoot() {
    RegistryRootCandidates candidates;
    if (const char* root = std::getenv("QCX_REGISTRY_ROOT")) candidates.explicitRoot = root;
    candidates.machineRoot = kMachineRoot;
    if (const char* config = std::getenv("XDG_CONFIG_HOME")) candidates.xdgConfigHome = config;
    if (const char* home = std::getenv("HOME")) candidates.home = home;
    return ChooseRegistryRoot(candidates);
}

std::unique_ptr<RegistryKey> CreateRegistryKey(std::string_view path, KeyDisposition* disposition) noexcept {
    try {
        std::vector<std::string> parts;
        if (!SplitKeyPath(path, parts)) return nullptr;
        std::string folder = RegistryRoot();
        if (folder.empty() || !CreateFolderTree(folder)) return nullptr;

        std::string keyPath;
        bool created = false;  // of the last part, the key itself
        for (const std::string& part : parts) {
            std::string name = FindKeyFolder(folder, part);
            created = false;
            if (name.empty()) {
                // mkdir decides a race between two creators: one creates, the other opens.
                if (::mkdir((folder + "/" + part).c_str(), 0777) == 0) {
                    name = part;
                    created = true;
                } else if (errno == EEXIST) {
                    name = FindKeyFolder(folder, part);
                    if (name.empty()) return nullptr;  // a file stands in the way
                } else {
                    return nullptr;
                }
            }
            folder += "/" + name;
            if (!keyPath.empty()) keyPath += '\\';
            keyPath += name;
        }
        // The key is opened for reading and writing; a store this process
        // may only read cannot give that.
        if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) return nullptr;
        if (disposition != nullptr) *disposition = created ? KeyDisposition::kCreated : KeyDisposition::kOpened;
        return std::make_unique<FileRegistryKey>(std::move(folder), std::move(keyPath));
    } catch (...) {
        return nullptr;
    }
}

}  // namespace qcx
