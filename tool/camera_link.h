// The camera link: the vendor component that reaches the camera's bridge
// chip, image sensor and EEPROM, and the capture graph of its live video.
//
// Threads: the dialog opens the link on its own thread and runs the
// adjustments on one worker thread while it waits idle; the link is used by
// one thread at a time and has no lock of its own.
#ifndef PIXMENDER_CAMERA_LINK_H
#define PIXMENDER_CAMERA_LINK_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tool/capture_graph.h"
#include "tool/clock.h"
#include "tool/component_library.h"
#include "tool/grabbed_frame.h"
#include "tool/show_message.h"
#include "tool/talvex_component.h"
#include "tool/video_window.h"

namespace pixmender {

// Results of CameraLink::Open.
enum CameraLinkResult : int {
  kLinkOk = 0,
  kLinkNoAcceptedCamera = 2,
  kLinkNoCamera = 3,
  kLinkFailure = 4,
};

// Where the identity block's parts lie, in words from the EEPROM base address.
inline constexpr int kIdentityWords = 10;
inline constexpr int kSerialOffset = 14;
inline constexpr int kSerialWords = 13;
inline constexpr int kVisibleRecordOffset = 48;
inline constexpr int kInfraredRecordOffset = 56;

class CameraLink final : public FrameSource {
 public:
  struct Options {
    Clock* clock = nullptr;     // null: SystemClock()
    ShowMessage message;        // "GetFormat!" from the graph goes here
    std::string componentPath;  // empty: PIXMENDER_COMPONENT or beside the executable
    // Makes the capture graph; empty: the real CaptureGraph over the video
    // input category of the loaded component.
    std::function<std::unique_ptr<CaptureGraph>(const TalvexComponentApi*)> makeGraph;
    // Loads the component file; empty: ComponentLibrary::Load. Null result:
    // the file cannot be loaded.
    std::function<std::unique_ptr<ComponentLibrary>(const std::string& path)> loadComponent;
  };

  CameraLink();
  explicit CameraLink(Options options);
  ~CameraLink() override;  // closes
  CameraLink(const CameraLink&) = delete;
  CameraLink& operator=(const CameraLink&) = delete;

  // Finds the camera whose EEPROM carries `identity` (null: one of the
  // accepted identity strings) at `baseAddress`, opens it and, with
  // `startVideo`, runs its live video into `window`. Returns a CameraLinkResult;
  // 0 at once when the link is already open.
  int Open(const std::u16string* identity, int baseAddress, bool startVideo, VideoWindow* window);
  // Stops and releases everything; a link that is not open is left as it is.
  void Close();

  // EEPROM words at device address 0xA0, one word per address. Every access
  // first waits, once, until the camera is five seconds past its opening.
  bool ReadWords(int address, int count, uint16_t* out);
  // Writes and reads back; true when every word reads back equal.
  bool WriteWords(int address, int count, const uint16_t* values);
  // Programs the bridge and the sensor for `kind` (1 visible light, 2
  // infrared) and waits until the next frames show it. False only without
  // the control object.
  bool ProgramSensor(int brightness, int red, int green, int blue, int kind);
  // Writes the calibration record of `kind` (1 visible light, 2 infrared).
  bool WriteCalibrationRecord(int kind, int brightness, int red, int green, int blue);

  // FrameSource:
  std::optional<GrabbedFrame> GrabFrame() override;
  bool WriteBridgeRegister(uint16_t address, uint16_t value) override;

  bool IsOpen() const { return open_; }
  int SelectedIndex() const { return selectedIndex_; }
  int BaseAddress() const { return baseAddress_; }

 private:
  bool IdentityMatches(const std::u16string* identity);
  void WaitUntilEepromReady();
  void WriteSensorRegister(uint8_t address, uint16_t value);
  void Release(TalvexObject*& object);

  Options options_;
  Clock& clock_;

  bool open_ = false;
  std::unique_ptr<ComponentLibrary> library_;
  const TalvexComponentApi* api_ = nullptr;
  TalvexObject* enumerator_ = nullptr;
  TalvexObject* control_ = nullptr;
  TalvexObject* stream_ = nullptr;
  // The device objects of the opened entries; the control object was
  // attached to them, so they are let go only with it.
  std::vector<TalvexObject*> devices_;
  int selectedIndex_ = -1;

  std::unique_ptr<CaptureGraph> graph_;
  bool graphBuilt_ = false;

  int baseAddress_ = 0;
  // Unset until the end of a successful Open with video (see Open).
  std::optional<uint64_t> openedAtMs_;
  bool eepromReady_ = false;
};

}  // namespace pixmender

#endif
