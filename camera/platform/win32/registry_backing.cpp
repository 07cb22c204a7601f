// The registry store in the Windows registry, local-machine hive.
#include <windows.h>

#include <new>

#include "camera/platform/registry_backing.h"

namespace qcx {
namespace {

class Win32RegistryKey final : public RegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    ~Win32RegistryKey() override { RegCloseKey(key_); }

    bool SetNumber(std::string_view name, std::uint32_t value) override {
        const std::string valueName(name);
        const DWORD number = value;
        return RegSetValueExA(key_, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS;
    }

    bool SetBytes(std::string_view name, const std::uint8_t* data, std::size_t length) override {
        if (length > MAXDWORD) return false;
        const std::string valueName(name);
        static const BYTE kNothing = 0;
        return RegSetValueExA(key_, valueName.c_str(), 0, REG_BINARY, data != nullptr ? data : &kNothing,
                              static_cast<DWORD>(length)) == ERROR_SUCCESS;
    }

    RegistryQuery Query(std::string_view name) const override {
        RegistryQuery query;
        const std::string valueName(name);
        // The value may grow between asking its size and reading it.
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            LONG rc = RegQueryValueExA(key_, valueName.c_str(), nullptr, &type, nullptr, &size);
            if (rc == ERROR_FILE_NOT_FOUND) {
                query.result = RegistryQuery::Result::kMissing;
                return query;
            }
            if (rc != ERROR_SUCCESS) return query;
            try {
                query.content.resize(size);
            } catch (const std::bad_alloc&) {
                return query;
            }
            rc = RegQueryValueExA(key_, valueName.c_str(), nullptr, &type, query.content.data(), &size);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) return query;
            query.content.resize(size);
            query.type = type == REG_DWORD    ? RegistryValueType::kNumber
                         : type == REG_BINARY ? RegistryValueType::kBytes
                                              : RegistryValueType::kOther;
            query.result = RegistryQuery::Result::kFound;
            return query;
        }
        return query;
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> CreateRegistryKey(std::string_view path, KeyDisposition* disposition) noexcept {
    try {
        const std::string keyPath(path);
        HKEY key = nullptr;
        DWORD created = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, &created) != ERROR_SUCCESS)
            return nullptr;
        std::unique_ptr<RegistryKey> result(new (std::nothrow) Win32RegistryKey(key));
        if (!result) {
            RegCloseKey(key);
            return nullptr;
        }
        if (disposition != nullptr)
            *disposition = created == REG_CREATED_NEW_KEY ? KeyDisposition::kCreated : KeyDisposition::kOpened;
        return result;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace qcx
