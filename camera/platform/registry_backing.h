// The registry as the library sees it: keys named by backslash paths below
// the local-machine hive, each holding named values that are 32-bit numbers
// or raw bytes. Names of keys and values are matched without regard to the
// case of ASCII letters, as the registry does.
//
// On Windows the store is the registry itself. On Linux it is a folder tree: one folder per key part below a root
// folder, and the values of a key in one text file "values.reg" in the style
// of a registry export, replaced whole and atomically on every write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qcx {

enum class RegistryValueType { kNumber, kBytes, kOther };  // kOther: text and the like, never written here

// The outcome of reading one value.
struct RegistryQuery {
    enum class Result { kFound, kMissing, kFailed };
    Result result = Result::kFailed;
    RegistryValueType type = RegistryValueType::kBytes;
    // The stored data; a number is handed out as its 4 bytes, least
    // significant first, as the registry does.
    std::vector<std::uint8_t> content;
};

// One open key. Operations never throw; a failure is reported as false or
// Result::kFailed (for instance when the key was deleted after it was opened).
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    virtual bool SetNumber(std::string_view name, std::uint32_t value) = 0;
    // `data` may be null when `length` is 0.
    virtual bool SetBytes(std::string_view name, const std::uint8_t* data, std::size_t length) = 0;
    // Reads the value as it is stored now (another process may have changed it).
    virtual RegistryQuery Query(std::string_view name) const = 0;
};

enum class KeyDisposition { kCreated, kOpened };

// Creates the key `path` (parts separated by backslashes, below the
// local-machine hive) with any missing parents, or opens it when it exists,
// for reading and writing. Null when it can be neither: a malformed path, or
// a store this process may not write. `disposition` (may be null) tells
// whether the key was created by this call or existed already.
std::unique_ptr<RegistryKey> CreateRegistryKey(std::string_view path, KeyDisposition* disposition) noexcept;

// The file store's value file in each key folder.
inline constexpr char kRegistryValueFileName[] = "values.reg";

// Where the file store keeps the local-machine hive, in order of preference.
struct RegistryRootCandidates {
    std::string explicitRoot;   // QCX_REGISTRY_ROOT: used as given when set
    std::string machineRoot;    // the machine-wide store, when this process may write it
    std::string xdgConfigHome;  // per-user store "<xdgConfigHome>/qcxapi/registry" ...
    std::string home;           // ... or "<home>/.config/qcxapi/registry"
};

// Chooses the root folder from the candidates; creates the machine root when
// it is missing and may be created. Empty when there is no candidate at all.
std::string ChooseRegistryRoot(const RegistryRootCandidates& candidates);

// The root folder chosen from the environment: QCX_REGISTRY_ROOT, else
// /etc/qcxapi/registry, else the per-user store of XDG_CONFIG_HOME or HOME.
std::string RegistryRoot();

}  // namespace qcx
