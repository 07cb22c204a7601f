// File-system services the library needs: where its own file lives and
// creating folders.
#pragma once

#include <string>

namespace qcx {

// Full path of the file the library was loaded from (the program itself when
// the library is linked statically).
const std::string& LibraryFilePath();

// Creates `path` with all missing parent folders. A folder that exists
// already counts as success.
bool CreateFolderTree(const std::string& path);

}  // namespace qcx
