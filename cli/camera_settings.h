// The settings capture and preview share: window, exposure, parameters,
// Bayer mode and demosaic method, given as options and applied in one place.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace qcxcli {

struct CameraSettings {
    std::string fieldOfView;  // X,Y,W,H[,CM,RM]
    double exposureMs = -1;
    std::vector<std::string> parameters;  // NAME=VALUE
    int bayerMode = -1;
    int filterMode = -1;
    bool sixteenBit = false;
};

enum class Window { Capture, Preview };

// Adds --fov, --exposure, --param, --bayer, --filter and --16bit.
void AddCameraSettingOptions(CLI::App& command, CameraSettings& settings);
// Checks the option texts before the camera is opened (UsageError).
void ValidateCameraSettings(const CameraSettings& settings);
// Sets what was given, in an order where later settings see earlier ones:
// transfer width, window, Bayer and demosaic, exposure, parameters.
void ApplyCameraSettings(int index, const CameraSettings& settings, Window window);

}  // namespace qcxcli
