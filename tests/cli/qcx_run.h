// Runs the qcx tool as a user would from a shell and keeps what it said.
#pragma once

#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/ffprobe.h"

namespace qcx::test {

struct QcxResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `arguments` go to qcx through the shell; `folder` is the working folder.
inline QcxResult RunQcx(const std::string& arguments, const std::string& folder) {
    const std::string errFile = folder + "/.stderr";
    QcxResult result;
    std::string command = "cd '" + folder + "' && '" QCX_TOOL_PATH "' " + arguments + " 2>'" + errFile + "'";
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) result.out.append(chunk, got);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::ifstream err(errFile);
    result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return result;
}

}  // namespace qcx::test
