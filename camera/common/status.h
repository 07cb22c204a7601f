// Status codes of every library operation (the values the C interface returns).
#pragma once

namespace qcx::status {
inline constexpr int kSuccess = 1;
inline constexpr int kParameterError = -1;
inline constexpr int kNoMemory = -2;
inline constexpr int kNotSupported = -3;
inline constexpr int kNoDevice = -4;
inline constexpr int kNotInitialized = -5;
inline constexpr int kIllegalOperation = -6;
inline constexpr int kNoPrivilege = -7;
inline constexpr int kFail = -8;
inline constexpr int kRecoverySuccessful = -10;
inline constexpr int kRecoveryFail = -11;
inline constexpr int kBadFrame = -12;
inline constexpr int kInvalidFrame = -13;
inline constexpr int kZeroFrame = -14;
inline constexpr int kVersionError = -15;
}  // namespace qcx::status
