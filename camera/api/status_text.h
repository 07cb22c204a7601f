// The texts of the status codes.
#pragma once

namespace qcx {

inline constexpr int kLongestStatusText = 42;

// The text of `code`, or null when the code is not one of the library's.
const char* StatusText(int code);

}  // namespace qcx
