#include "cli/camera_settings.h"

#include <CLI/CLI.hpp>

#include "cli/camera_facts.h"
#include "cli/command_support.h"
#include "qcxapi.h"

namespace qcxcli {

namespace {

std::vector<long long> WindowValues(const std::string& text) {
    std::vector<long long> values = ParseIntegerList(text, "--fov value");
    if (values.size() != 4 && values.size() != 6)
        throw UsageError("--fov takes X,Y,WIDTH,HEIGHT or X,Y,WIDTH,HEIGHT,COLUMNMODE,ROWMODE");
    values.resize(6, 0);
    return values;
}

std::pair<int, int> ParameterSetting(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) throw UsageError("--param takes NAME=VALUE, not '" + text + "'");
    const int parameter = ParameterByName(text.substr(0, equals));
    if (parameter < 0) throw UsageError("no parameter '" + text.substr(0, equals) + "' (qcx param --help lists them)");
    const int value = static_cast<int>(ParseInteger(text.substr(equals + 1), "parameter value", -2147483648LL,
                                                    2147483647LL));
    return {parameter, value};
}

}  // namespace

void AddCameraSettingOptions(CLI::App& command, CameraSettings& settings) {
    command.add_option("--fov", settings.fieldOfView,
                       "Window: column start, row start, width, height[, column mode, row mode] (0 ... 4: every "
                       "1st, 2nd, 3rd, 4th or 8th column or row); clamped and aligned by the sensor")
        ->type_name("X,Y,W,H[,CM,RM]");
    command.add_option("--exposure", settings.exposureMs, "Exposure time in milliseconds")->type_name("MS");
    command.add_option("--param", settings.parameters,
                       "Set a parameter first, e.g. --param red=12 --param flip=1 (qcx param get lists them)")
        ->type_name("NAME=V")
        ->allow_extra_args(false);
    command.add_option("--bayer", settings.bayerMode,
                       "Bayer mode: colour order BGGR, GRBG, RGGB, GBRG for mode % 4; 0-7 24-bit, 8-15 32-bit "
                       "colour, 16-23 8-bit grey")
        ->type_name("M")
        ->check(CLI::Range(0, 23));
    command.add_option("--filter", settings.filterMode,
                       "Demosaic method: 0 block copy, 1 bilinear, 2 colour ratio, 3 edge-directed, 4 "
                       "gradient-corrected")
        ->type_name("F")
        ->check(CLI::Range(0, 4));
    command.add_flag("--16bit", settings.sixteenBit, "16-bit pixel transfer (cameras of device types 31, 32, 46-49)");
}

void ValidateCameraSettings(const CameraSettings& settings) {
    if (!settings.fieldOfView.empty()) WindowValues(settings.fieldOfView);
    for (const std::string& text : settings.parameters) ParameterSetting(text);
    if (settings.exposureMs != -1 && !(settings.exposureMs > 0))
        throw UsageError("--exposure takes a time above 0 ms");
}

void ApplyCameraSettings(int index, const CameraSettings& settings, Window window) {
    if (settings.sixteenBit) Check(QCX_SetData16Bits(index, 1), "QCX_SetData16Bits");
    if (!settings.fieldOfView.empty()) {
        const std::vector<long long> v = WindowValues(settings.fieldOfView);
        const int x = static_cast<int>(v[0]), y = static_cast<int>(v[1]), w = static_cast<int>(v[2]),
                  h = static_cast<int>(v[3]), cm = static_cast<int>(v[4]), rm = static_cast<int>(v[5]);
        if (window == Window::Capture)
            Check(QCX_CaptureSetFieldOfView(index, x, y, w, h, cm, rm), "QCX_CaptureSetFieldOfView");
        else
            Check(QCX_PreviewSetFieldOfView(index, x, y, w, h, cm, rm), "QCX_PreviewSetFieldOfView");
    }
    if (settings.bayerMode >= 0) Check(QCX_BayerSetMode(index, settings.bayerMode), "QCX_BayerSetMode");
    if (settings.filterMode >= 0) Check(QCX_FilterSetMode(index, settings.filterMode), "QCX_FilterSetMode");
    if (settings.exposureMs > 0)
        Check(QCX_ExposureTimeSet(index, static_cast<float>(settings.exposureMs)), "QCX_ExposureTimeSet");
    for (const std::string& text : settings.parameters) {
        const std::pair<int, int> setting = ParameterSetting(text);
        Check(QCX_SetParam(index, setting.first, setting.second), "QCX_SetParam");
    }
}

}  // namespace qcxcli
