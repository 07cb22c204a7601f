#pragma once

#include <string>

namespace qcx {

// The value of an environment variable of this process, empty when it is not
// set. Read from the process's own environment at each call, so a program
// that changes a variable between calls is seen (on Windows whatever C runtime
// the program uses, since the library asks the system, not its runtime).
std::string EnvironmentValue(const char* name);

}  // namespace qcx
