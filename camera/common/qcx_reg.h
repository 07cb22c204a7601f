// One key below the library's own registry key ("SOFTWARE\Vantorix\QCXAPI"
// in the local-machine hive), opened around one use. The library keeps the
// video compressor options of AVI recording under the subkey "Compossor".
#pragma once

#include <cstdint>
#include <memory>

namespace qcx {

class RegistryKey;

class CQCXReg {
public:
    CQCXReg();
    virtual ~CQCXReg();  // closes the key if one is open

    CQCXReg(const CQCXReg&) = delete;
    CQCXReg& operator=(const CQCXReg&) = delete;

    // Creates the key "<library key>\<subkey>" or opens it when it exists:
    // 0 created, 2 opened, 1 failed (a path over 255 characters, or a store
    // that cannot be written).
    int Open(const char* subkey);

    // The operations below return 0 for success and 1 for failure.
    int SetNumber(const char* name, std::uint32_t value);
    // A missing value: `defaultValue` is output and written to the key, and
    // the result of that write is returned. A value of another type: 1.
    int GetNumber(const char* name, std::uint32_t defaultValue, std::uint32_t* value);
    int SetBytes(const char* name, const std::uint8_t* data, std::uint32_t length);
    // Reads at most `length` bytes. A missing value: `length` zero bytes are
    // output and written to the key, and the result is 1.
    int GetBytes(const char* name, std::uint8_t* buffer, std::uint32_t length);

private:
    std::unique_ptr<RegistryKey> key_;
};

}  // namespace qcx
