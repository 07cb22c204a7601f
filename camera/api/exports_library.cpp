// Exports of the library frame: manager life, camera count, status texts and
// the log settings.
#include <cstring>
#include <new>

#include "camera/api/library.h"
#include "camera/api/status_text.h"
#include "qcxapi.h"

using namespace qcx;

namespace {
constexpr std::size_t kMaxLogFolderLength = 259;
}

int QCXAPI_CALL QCX_Init(void) {
    LibraryState& library = Library();
    try {
        // A second QCX_Init closes every camera of the first; the log
        // settings stay as they are.
        delete library.manager;
        library.manager = nullptr;
        library.manager = new (std::nothrow) CDeviceManager(LibraryNodes(), LibrarySensorDrivers(), library.log);
    } catch (...) {
        library.manager = nullptr;
    }
    return library.manager != nullptr ? status::kSuccess : status::kFail;
}

int QCXAPI_CALL QCX_UnInit(void) {
    LibraryState& library = Library();
    delete library.manager;
    library.manager = nullptr;
    library.log.enabled = 0;
    return status::kSuccess;
}

int QCXAPI_CALL QCX_DeviceGetCount(void) {
    if (Library().manager == nullptr) return status::kNotInitialized;
    return LibraryNodes().CountNodes();
}

int QCXAPI_CALL QCX_GetErrorInfo(int code, char* text) {
    if (text == nullptr) return status::kParameterError;
    const char* known = StatusText(code);
    std::strcpy(text, known != nullptr ? known : StatusText(status::kIllegalOperation));
    return known != nullptr ? status::kSuccess : status::kIllegalOperation;
}

int QCXAPI_CALL QCX_LogSet(QCX_BOOL8 enable, const char* folder) {
    // QCX_LogGet hands the folder back into a 260-byte buffer, so a longer
    // one is refused rather than stored or cut.
    if (folder != nullptr && std::strlen(folder) > kMaxLogFolderLength) return status::kParameterError;
    LibraryState& library = Library();
    try {
        library.log.enabled = enable;
        if (folder != nullptr) library.log.folder = folder;
        if (library.manager == nullptr) return status::kSuccess;
        for (int slot = 0; slot < kDeviceSlots; ++slot) {
            if (CDevice* device = library.manager->OpenedDevice(slot))
                device->ApplyLogSettings(enable != 0, folder);
        }
    } catch (const std::bad_alloc&) {
        return status::kNoMemory;
    }
    return status::kSuccess;
}

int QCXAPI_CALL QCX_LogGet(QCX_BOOL8* enable, char* folder) {
    const LibraryState& library = Library();
    if (enable != nullptr) *enable = library.log.enabled;
    if (folder != nullptr) std::memcpy(folder, library.log.folder.c_str(), library.log.folder.size() + 1);
    return status::kSuccess;
}
