#include "camera/common/qcx_reg.h"

#include <cstdio>
#include <cstring>

#include "camera/platform/registry_backing.h"

namespace qcx {
namespace {

constexpr char kLibraryKey[] = "SOFTWARE\\Vantorix\\QCXAPI";
constexpr int kMaxKeyPathLength = 255;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kCreated = 0;
constexpr int kOpened = 2;

int Result(bool ok) { return ok ? kDone : kFailed; }

}  // namespace

CQCXReg::CQCXReg() = default;

CQCXReg::~CQCXReg() = default;

int CQCXReg::Open(const char* subkey) {
    key_.reset();  // a second open replaces the key of the first
    if (subkey == nullptr) return kFailed;
    char path[kMaxKeyPathLength + 1];
    int length = std::snprintf(path, sizeof path, "%s\\%s", kLibraryKey, subkey);
    if (length < 0 || length > kMaxKeyPathLength) return kFailed;
    KeyDisposition disposition = KeyDisposition::kOpened;
    key_ = CreateRegistryKey(path, &disposition);
    if (!key_) return kFailed;
    return disposition == KeyDisposition::kCreated ? kCreated : kOpened;
}

int CQCXReg::SetNumber(const char* name, std::uint32_t value) {
    if (!key_ || name == nullptr) return kFailed;
    return Result(key_->SetNumber(name, value));
}

int CQCXReg::GetNumber(const char* name, std::uint32_t defaultValue, std::uint32_t* value) {
    if (!key_ || name == nullptr || value == nullptr) return kFailed;
    RegistryQuery query = key_->Query(name);
    switch (query.result) {
    case RegistryQuery::Result::kMissing:
        *value = defaultValue;
        return SetNumber(name, defaultValue);
    case RegistryQuery::Result::kFailed:
        return kFailed;
    case RegistryQuery::Result::kFound:
        break;
    }
    // The registry hands out whatever fits into the 4 bytes of the output,
    // whatever its type; only a number counts as a successful read.
    if (query.content.size() > sizeof *value) return kFailed;
    std::memcpy(value, query.content.data(), query.content.size());
    return Result(query.type == RegistryValueType::kNumber);
}

int CQCXReg::SetBytes(const char* name, const std::uint8_t* data, std::uint32_t length) {
    // An empty block needs no storage, so it may come without a pointer.
    if (!key_ || name == nullptr || (data == nullptr && length > 0)) return kFailed;
    return Result(key_->SetBytes(name, data, length));
}

int CQCXReg::GetBytes(const char* name, std::uint8_t* buffer, std::uint32_t length) {
    if (!key_ || name == nullptr || (buffer == nullptr && length > 0)) return kFailed;
    RegistryQuery query = key_->Query(name);
    switch (query.result) {
    case RegistryQuery::Result::kMissing:
        // A missing block reads as zeros and is stored so; the read still
        // counts as failed, whatever the write gave.
        if (length > 0) std::memset(buffer, 0, length);
        SetBytes(name, buffer, length);
        return kFailed;
    case RegistryQuery::Result::kFailed:
        return kFailed;
    case RegistryQuery::Result::kFound:
        break;
    }
    // A stored value longer than the buffer is "more data": nothing is copied.
    if (query.content.size() > length) return kFailed;
    if (!query.content.empty()) std::memcpy(buffer, query.content.data(), query.content.size());
    return Result(query.type == RegistryValueType::kBytes);
}

}  // namespace qcx
