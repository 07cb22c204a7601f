#include "camera/platform/environment.h"

#include <cstdlib>

namespace qcx {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace qcx
