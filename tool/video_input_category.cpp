#include "tool/video_input_category.h"

#include <gst/gst.h>

#include <memory>

namespace pixmender {

namespace {

// The component writes at most this many bytes of an input's name.
constexpr uint32_t kNameCapacity = 256;

void AddComponentInputs(const TalvexComponentApi* component, size_t limit, std::vector<VideoInputDevice>& devices) {
  if (component == nullptr || component->VideoInputCount == nullptr) return;
  const int32_t count = component->VideoInputCount();
  for (int32_t i = 0; i < count && devices.size() < limit; ++i) {
    VideoInputDevice device;
    if (component->VideoInputName != nullptr) {
      char name[kNameCapacity] = {};
      if (component->VideoInputName(i, name, kNameCapacity) == TALVEX_OK) {
        name[kNameCapacity - 1] = '\0';
        device.name = name;
      }
    }
    device.createSource = [component, i]() -> GstElement* {
      if (component->CreateVideoSource == nullptr) return nullptr;
      return static_cast<GstElement*>(component->CreateVideoSource(i));
    };
    devices.push_back(std::move(device));
  }
}

void AddMonitoredInputs(size_t limit, std::vector<VideoInputDevice>& devices) {
  GstDeviceMonitor* monitor = gst_device_monitor_new();
  if (monitor == nullptr) return;
  gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
  // Without a started monitor the providers probe the hardware once here.
  GList* found = gst_device_monitor_get_devices(monitor);
  for (GList* item = found; item != nullptr && devices.size() < limit; item = item->next) {
    auto* raw = GST_DEVICE(item->data);
    std::shared_ptr<GstDevice> held(GST_DEVICE(gst_object_ref(raw)), [](GstDevice* d) { gst_object_unref(d); });
    VideoInputDevice device;
    if (gchar* name = gst_device_get_display_name(raw)) {
      device.name = name;
      g_free(name);
    }
    device.createSource = [held]() -> GstElement* { return gst_device_create_element(held.get(), nullptr); };
    devices.push_back(std::move(device));
  }
  g_list_free_full(found, gst_object_unref);
  gst_object_unref(monitor);
}

}  // namespace

std::vector<VideoInputDevice> EnumerateVideoInputs(const TalvexComponentApi* component, size_t limit) {
  std::vector<VideoInputDevice> devices;
  AddComponentInputs(component, limit, devices);
  // The device monitor is only asked when the component left room.
  if (devices.size() < limit) AddMonitoredInputs(limit, devices);
  return devices;
}

}  // namespace pixmender
