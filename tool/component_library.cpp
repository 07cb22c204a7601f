#include "tool/component_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>

namespace pixmender {
namespace {

constexpr const char* kComponentFileName = "talvexcam.ax";
constexpr const char* kComponentEnvironment = "PIXMENDER_COMPONENT";

// Looks one exported function up into its slot of the table; a missing one
// leaves the slot null.
template <typename Function>
void Resolve(void* handle, const char* name, Function& slot) {
  slot = reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

ComponentLibrary::ComponentLibrary(const TalvexComponentApi& api, std::function<void()> onUnload)
    : loaded_(true), api_(api), onUnload_(std::move(onUnload)) {}

ComponentLibrary::~ComponentLibrary() { Unload(); }

std::unique_ptr<ComponentLibrary> ComponentLibrary::Load(const std::string& path, std::string* error) {
  // RTLD_NODELETE: the component registers GStreamer element types and hands
  // out source elements; GLib keeps type data for the life of the process, so
  // the code behind them must stay mapped after the tool lets the file go.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* reason = dlerror();
      *error = reason != nullptr ? reason : "cannot load " + path;
    }
    return nullptr;
  }
  std::unique_ptr<ComponentLibrary> library(new ComponentLibrary());
  library->handle_ = handle;
  library->loaded_ = true;
  TalvexComponentApi& api = library->api_;
  Resolve(handle, "DllRegisterServer", api.DllRegisterServer);
  Resolve(handle, "TalvexCreateInstance", api.CreateInstance);
  Resolve(handle, "TalvexAddRef", api.AddRef);
  Resolve(handle, "TalvexRelease", api.Release);
  Resolve(handle, "TalvexEnumerateCameras", api.EnumerateCameras);
  Resolve(handle, "TalvexOpenCamera", api.OpenCamera);
  Resolve(handle, "TalvexWriteBridgeRegister", api.WriteBridgeRegister);
  Resolve(handle, "TalvexWriteEepromWord", api.WriteEepromWord);
  Resolve(handle, "TalvexReadEepromWord", api.ReadEepromWord);
  Resolve(handle, "TalvexAttachDevice", api.AttachDevice);
  Resolve(handle, "TalvexAttachCaptureFilter", api.AttachCaptureFilter);
  Resolve(handle, "TalvexWriteSensorRegister", api.WriteSensorRegister);
  Resolve(handle, "TalvexStreamSwitch", api.StreamSwitch);
  Resolve(handle, "TalvexStreamAttachCaptureFilter", api.StreamAttachCaptureFilter);
  Resolve(handle, "TalvexVideoInputCount", api.VideoInputCount);
  Resolve(handle, "TalvexVideoInputName", api.VideoInputName);
  Resolve(handle, "TalvexCreateVideoSource", api.CreateVideoSource);
  return library;
}

std::string ComponentLibrary::DefaultPath() {
  const char* configured = std::getenv(kComponentEnvironment);
  if (configured != nullptr && configured[0] != '\0') {
    return configured;
  }
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  if (length <= 0) {
    return kComponentFileName;
  }
  std::string folder(exe, static_cast<size_t>(length));
  const size_t slash = folder.rfind('/');
  folder.erase(slash == std::string::npos ? 0 : slash + 1);
  return folder + kComponentFileName;
}

void ComponentLibrary::Unload() {
  if (!loaded_) {
    return;
  }
  loaded_ = false;
  api_ = TalvexComponentApi{};
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
  if (onUnload_) {
    // Moved out first so that a callback that drops the last owner is safe.
    std::function<void()> onUnload = std::move(onUnload_);
    onUnload_ = nullptr;
    onUnload();
  }
}

}  // namespace pixmender
