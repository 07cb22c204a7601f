// The vendor media component as a loaded file: talvexcam.ax opened with the
// dynamic loader and its functions looked up into a TalvexComponentApi.
#ifndef PIXMENDER_COMPONENT_LIBRARY_H
#define PIXMENDER_COMPONENT_LIBRARY_H

#include <functional>
#include <memory>
#include <string>

#include "tool/talvex_component.h"

namespace pixmender {

class ComponentLibrary {
 public:
  // A component whose functions are already at hand (tests hand in a fake
  // table); `onUnload` runs once when it is unloaded.
  explicit ComponentLibrary(const TalvexComponentApi& api, std::function<void()> onUnload = {});
  ~ComponentLibrary();  // unloads
  ComponentLibrary(const ComponentLibrary&) = delete;
  ComponentLibrary& operator=(const ComponentLibrary&) = delete;

  // Loads the component file at `path`; null when it cannot be loaded (the
  // loader's reason goes to `error` when given). A function the file does not
  // export stays null in the table: the caller checks before calling.
  static std::unique_ptr<ComponentLibrary> Load(const std::string& path, std::string* error = nullptr);

  // Where the tool finds the component: PIXMENDER_COMPONENT when it is set and
  // not empty, else talvexcam.ax in the folder of the running executable.
  static std::string DefaultPath();

  const TalvexComponentApi& Api() const { return api_; }
  bool IsLoaded() const { return loaded_; }
  // Unloads the file; the table is cleared. A second call does nothing.
  void Unload();

 private:
  ComponentLibrary() = default;

  void* handle_ = nullptr;
  bool loaded_ = false;
  TalvexComponentApi api_{};
  std::function<void()> onUnload_;
};

}  // namespace pixmender

#endif
