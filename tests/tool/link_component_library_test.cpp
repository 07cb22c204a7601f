// Finding and loading the component file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include "tool/component_library.h"
#include "tool_test_support.h"

namespace pixmender {
namespace {

// Sets or removes an environment variable for one test and restores it after.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string ExecutableFolder() {
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  std::string path(exe, static_cast<size_t>(length > 0 ? length : 0));
  return path.substr(0, path.rfind('/') + 1);
}

TEST(ComponentLibraryPath, EnvironmentWinsElseBesideTheExecutable) {
  struct Case {
    const char* environment;
    std::string expected;
  };
  const Case cases[] = {
      {"/opt/vendor/talvexcam.ax", "/opt/vendor/talvexcam.ax"},
      {nullptr, ExecutableFolder() + "talvexcam.ax"},
      {"", ExecutableFolder() + "talvexcam.ax"},  // set but empty names no file
  };
  for (const Case& c : cases) {
    ScopedEnvironment environment("PIXMENDER_COMPONENT", c.environment);
    EXPECT_EQ(ComponentLibrary::DefaultPath(), c.expected);
  }
}

TEST(ComponentLibraryLoad, AMissingFileGivesNullAndTheReason) {
  std::string error;
  EXPECT_EQ(ComponentLibrary::Load("/nonexistent/talvexcam.ax", &error), nullptr);
  EXPECT_NE(error.find("talvexcam.ax"), std::string::npos) << error;
}

TEST(ComponentLibraryLoad, TheSimulatedComponentExportsEveryFunction) {
  std::string error;
  std::unique_ptr<ComponentLibrary> library = ComponentLibrary::Load(testing::SimComponentPath(), &error);
  ASSERT_NE(library, nullptr) << error;
  const TalvexComponentApi& api = library->Api();
  const void* slots[] = {
      reinterpret_cast<const void*>(api.DllRegisterServer),   reinterpret_cast<const void*>(api.CreateInstance),
      reinterpret_cast<const void*>(api.AddRef),              reinterpret_cast<const void*>(api.Release),
      reinterpret_cast<const void*>(api.EnumerateCameras),    reinterpret_cast<const void*>(api.OpenCamera),
      reinterpret_cast<const void*>(api.WriteBridgeRegister), reinterpret_cast<const void*>(api.WriteEepromWord),
      reinterpret_cast<const void*>(api.ReadEepromWord),      reinterpret_cast<const void*>(api.AttachDevice),
      reinterpret_cast<const void*>(api.AttachCaptureFilter), reinterpret_cast<const void*>(api.WriteSensorRegister),
      reinterpret_cast<const void*>(api.StreamSwitch),        reinterpret_cast<const void*>(api.StreamAttachCaptureFilter),
      reinterpret_cast<const void*>(api.VideoInputCount),     reinterpret_cast<const void*>(api.VideoInputName),
      reinterpret_cast<const void*>(api.CreateVideoSource),
  };
  for (size_t i = 0; i < sizeof(slots) / sizeof(slots[0]); ++i) EXPECT_NE(slots[i], nullptr) << "slot " << i;
  library->Unload();
  EXPECT_FALSE(library->IsLoaded());
  EXPECT_EQ(library->Api().DllRegisterServer, nullptr);
}

TEST(ComponentLibraryLoad, AGivenTableIsUnloadedOnce) {
  int unloads = 0;
  TalvexComponentApi api{};
  {
    ComponentLibrary library(api, [&unloads] { ++unloads; });
    EXPECT_TRUE(library.IsLoaded());
    library.Unload();
    library.Unload();
  }
  EXPECT_EQ(unloads, 1);
}

}  // namespace
}  // namespace pixmender
