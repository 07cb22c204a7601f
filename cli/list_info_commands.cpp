// qcx list and qcx info: which cameras there are, and what one of them offers.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/camera_facts.h"
#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/usb_location.h"
#include "qcxapi.h"
#include "qcxsim.h"

namespace qcxcli {

namespace {

struct CameraEntry {
    int index = 0;
    int status = 0;  // of QCX_DeviceGetInformation
    int type = 0;
    int number = 0;
    QCX_WORD firmware = 0;
    int simulatedNode = -1;
    int usbNode = -1;
    bool located = false;
    UsbLocation usb;
};

std::vector<CameraEntry> ListCameras() {
    std::vector<CameraEntry> cameras;
    const int count = QCX_DeviceGetCount();
    int usbNodes = 0;
    for (int index = 0; index < count; ++index) {
        CameraEntry entry;
        entry.index = index;
        entry.status = Traced(QCX_DeviceGetInformation(index, &entry.type, &entry.number, &entry.firmware),
                              "QCX_DeviceGetInformation");
        if (entry.status == QCX_STATUS_SUCCESS) {
            entry.simulatedNode = SimulatedNodeOf(index);
            if (entry.simulatedNode < 0) {
                entry.usbNode = usbNodes++;
                entry.located = FindUsbLocation(entry.usbNode, &entry.usb);
            }
        }
        cameras.push_back(entry);
    }
    return cameras;
}

std::string Connection(const CameraEntry& entry) {
    if (entry.simulatedNode >= 0) return "simulated";
    if (entry.located) return "USB bus " + std::to_string(entry.usb.bus) + " port " + entry.usb.portPath;
    return "USB";
}

void RunList(bool json) {
    LibrarySession session;
    const std::vector<CameraEntry> cameras = ListCameras();
    if (json) {
        JsonWriter out;
        out.BeginObject().BeginArray("cameras");
        for (const CameraEntry& entry : cameras) {
            out.BeginObject().Value("index", entry.index);
            if (entry.status != QCX_STATUS_SUCCESS) {
                out.Value("status", entry.status).Value("error", StatusText(entry.status)).EndObject();
                continue;
            }
            out.Value("node", entry.simulatedNode >= 0 ? entry.simulatedNode : entry.usbNode)
                .Value("device_type", entry.type)
                .Value("family", FamilyName(entry.type))
                .Value("device_number", entry.number)
                .Value("firmware", Hex(entry.firmware, 4))
                .Value("simulated", entry.simulatedNode >= 0);
            if (entry.located) {
                out.BeginObject("usb").Value("bus", entry.usb.bus).Value("port_path", entry.usb.portPath).EndObject();
            }
            out.EndObject();
        }
        out.EndArray().EndObject();
        std::printf("%s\n", out.text().c_str());
        return;
    }
    std::printf("%zu camera(s)\n", cameras.size());
    if (cameras.empty()) return;
    std::printf("%-6s %-5s %-5s %-15s %-7s %-9s %s\n", "index", "node", "type", "family", "number", "firmware",
                "connection");
    for (const CameraEntry& entry : cameras) {
        if (entry.status != QCX_STATUS_SUCCESS) {
            std::printf("%-6d cannot be opened: %s (%d)\n", entry.index, StatusText(entry.status).c_str(),
                        entry.status);
            continue;
        }
        std::printf("%-6d %-5d %-5d %-15s %-7d %-9s %s\n", entry.index,
                    entry.simulatedNode >= 0 ? entry.simulatedNode : entry.usbNode, entry.type,
                    FamilyName(entry.type).c_str(), entry.number, Hex(entry.firmware, 4).c_str(),
                    Connection(entry).c_str());
    }
}

struct Window {
    int values[6] = {};
    std::string Text() const {
        return std::to_string(values[0]) + "," + std::to_string(values[1]) + "," + std::to_string(values[2]) + "," +
               std::to_string(values[3]) + "," + std::to_string(values[4]) + "," + std::to_string(values[5]);
    }
};

// One I/O feature: its state as text, or not supported (-3), or the failure.
struct Feature {
    const char* name;
    int status;
    std::string state;
};

std::vector<Feature> ProbeIoLines(int index) {
    std::vector<Feature> features;
    int mode = 0;
    int status = Traced(QCX_SensitivityGetMode(index, &mode), "QCX_SensitivityGetMode");
    features.push_back({"sensitivity", status, "mode " + std::to_string(mode)});

    std::string lamps;
    status = QCX_STATUS_SUCCESS;
    for (int led = 0; led < 3 && status == QCX_STATUS_SUCCESS; ++led) {
        int on = 0;
        status = Traced(QCX_LedGetStatus(index, led, &on), "QCX_LedGetStatus");
        lamps += (led > 0 ? " " : "") + std::string(on ? "on" : "off");
    }
    features.push_back({"lamps", status, lamps});

    int pressed = 0;
    status = Traced(QCX_SnapButtonStatus(index, &pressed), "QCX_SnapButtonStatus");
    features.push_back({"snap button", status, pressed ? "pressed" : "released"});

    QCX_BYTE directions = 0, levels = 0;
    status = Traced(QCX_GpioGetDirection(index, &directions), "QCX_GpioGetDirection");
    if (status == QCX_STATUS_SUCCESS) status = Traced(QCX_GpioGetStatus(index, &levels), "QCX_GpioGetStatus");
    features.push_back({"gpio", status, "directions " + Hex(directions, 2) + " levels " + Hex(levels, 2)});

    QCX_BOOL8 enable = 0, invert = 0;
    status = Traced(QCX_FlashControlGet(index, &enable, &invert, nullptr), "QCX_FlashControlGet");
    features.push_back({"strobe output", status, std::string(enable ? "on" : "off") + (invert ? ", inverted" : "")});

    int external = 0;
    status = Traced(QCX_TriggerModeGet(index, &external), "QCX_TriggerModeGet");
    features.push_back({"trigger mode", status, external ? "external" : "free run"});

    int fired = 0;
    status = Traced(QCX_TriggerStatusGet(index, &fired), "QCX_TriggerStatusGet");
    features.push_back({"trigger status", status, std::to_string(fired)});

    QCX_WORD delay = 0, minimum = 0, maximum = 0;
    status = Traced(QCX_TriggerDelayGet(index, &delay), "QCX_TriggerDelayGet");
    if (status == QCX_STATUS_SUCCESS)
        status = Traced(QCX_TriggerDelayGetRange(index, &minimum, &maximum), "QCX_TriggerDelayGetRange");
    features.push_back({"trigger delay", status,
                        std::to_string(delay) + " (" + std::to_string(minimum) + " ... " + std::to_string(maximum) +
                            ")"});
    status = Traced(QCX_StrobeDelayGet(index, &delay), "QCX_StrobeDelayGet");
    if (status == QCX_STATUS_SUCCESS)
        status = Traced(QCX_StrobeDelayGetRange(index, &minimum, &maximum), "QCX_StrobeDelayGetRange");
    features.push_back({"strobe delay", status,
                        std::to_string(delay) + " (" + std::to_string(minimum) + " ... " + std::to_string(maximum) +
                            ")"});

    status = Traced(QCX_SensorModeGet(index, &mode), "QCX_SensorModeGet");
    features.push_back({"sensor mode", status, std::to_string(mode)});

    QCX_BOOL8 sixteen = 0;
    status = Traced(QCX_GetData16Bits(index, &sixteen), "QCX_GetData16Bits");
    features.push_back({"16-bit transfer", status, sixteen ? "on" : "off"});

    QCX_BOOL8 corrected = 0;
    int correctionMode = 0;
    status = Traced(QCX_BadPixelCorrectionGet(index, &corrected, &correctionMode), "QCX_BadPixelCorrectionGet");
    features.push_back({"bad pixel correction", status,
                        std::string(corrected ? "on" : "off") + ", mode " + std::to_string(correctionMode)});

    QCX_BOOL8 aec = 0;
    status = Traced(QCX_AECGetEnable(index, &aec), "QCX_AECGetEnable");
    features.push_back({"sensor auto exposure", status, aec ? "on" : "off"});
    return features;
}

struct ParameterState {
    int status;
    int value = 0;
    int minimum = 0;
    int maximum = 0;
};

ParameterState ReadParameter(int index, int parameter) {
    ParameterState state{};
    state.status = Traced(QCX_GetParam(index, parameter, &state.value), "QCX_GetParam");
    if (state.status == QCX_STATUS_SUCCESS)
        state.status = Traced(QCX_GetParamRange(index, parameter, &state.minimum, &state.maximum), "QCX_GetParamRange");
    return state;
}

void RunInfo(const std::string& device, bool json) {
    LibrarySession session;
    const int index = session.Open(device);
    int type = 0, number = 0;
    QCX_WORD firmware = 0;
    Check(QCX_DeviceGetInformation(index, &type, &number, &firmware), "QCX_DeviceGetInformation");
    const int node = SimulatedNodeOf(index);

    Window full, capture, preview;
    int* f = full.values;
    Check(QCX_CaptureGetDefaultFieldOfView(index, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]),
          "QCX_CaptureGetDefaultFieldOfView");
    int* c = capture.values;
    Check(QCX_CaptureGetFieldOfView(index, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]), "QCX_CaptureGetFieldOfView");
    int* p = preview.values;
    Check(QCX_PreviewGetFieldOfView(index, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5]), "QCX_PreviewGetFieldOfView");
    int captureWidth = 0, captureHeight = 0, bitCount = 0, dataBits = 0;
    Check(QCX_CaptureGetSizeExEx(index, &captureWidth, &captureHeight, &bitCount, &dataBits), "QCX_CaptureGetSizeExEx");
    int previewWidth = 0, previewHeight = 0, previewBits = 0;
    Check(QCX_PreviewGetSizeEx(index, &previewWidth, &previewHeight, &previewBits), "QCX_PreviewGetSizeEx");
    int defaultBayer = -1, bayer = 0, filter = 0;
    const int defaultBayerStatus = Traced(QCX_BayerGetDefaultMode(index, &defaultBayer), "QCX_BayerGetDefaultMode");
    Check(QCX_BayerGetMode(index, &bayer), "QCX_BayerGetMode");
    Check(QCX_FilterGetMode(index, &filter), "QCX_FilterGetMode");
    float exposureMs = 0;
    const int exposureStatus = Traced(QCX_ExposureTimeGet(index, &exposureMs), "QCX_ExposureTimeGet");
    QCX_DWORD timeout = 0;
    Check(QCX_CaptureGetTimeOut(index, &timeout), "QCX_CaptureGetTimeOut");
    int saturation = 0;
    const bool colour = Traced(QCX_ProcessSaturationGet(index, &saturation), "QCX_ProcessSaturationGet") !=
                        QCX_STATUS_NOT_SUPPORTED;
    const std::vector<Feature> features = ProbeIoLines(index);

    if (json) {
        JsonWriter out;
        out.BeginObject()
            .Value("index", index)
            .Value("device_type", type)
            .Value("family", FamilyName(type))
            .Value("device_number", number)
            .Value("firmware", Hex(firmware, 4))
            .Value("simulated", node >= 0)
            .Value("colour", colour);
        out.BeginArray("default_field_of_view");
        for (int v : full.values) out.Value(nullptr, v);
        out.EndArray().BeginArray("capture_field_of_view");
        for (int v : capture.values) out.Value(nullptr, v);
        out.EndArray().BeginArray("preview_field_of_view");
        for (int v : preview.values) out.Value(nullptr, v);
        out.EndArray();
        out.BeginObject("capture_size").Value("width", captureWidth).Value("height", captureHeight);
        out.Value("bit_count", bitCount).Value("data_bits", dataBits).EndObject();
        out.BeginObject("preview_size").Value("width", previewWidth).Value("height", previewHeight);
        out.Value("bit_count", previewBits).EndObject();
        if (defaultBayerStatus == QCX_STATUS_SUCCESS)
            out.Value("default_bayer_mode", defaultBayer);
        else
            out.Null("default_bayer_mode");
        out.Value("bayer_mode", bayer).Value("filter_mode", filter);
        if (exposureStatus == QCX_STATUS_SUCCESS)
            out.Value("exposure_ms", static_cast<double>(exposureMs));
        else
            out.Null("exposure_ms");
        out.Value("capture_timeout_ms", static_cast<long long>(timeout));
        out.BeginObject("parameters");
        for (int parameter = 0; parameter < kParameterCount; ++parameter) {
            const ParameterState state = ReadParameter(index, parameter);
            if (state.status != QCX_STATUS_SUCCESS) {
                out.Null(ParameterName(parameter));
                continue;
            }
            out.BeginObject(ParameterName(parameter)).Value("value", state.value);
            out.Value("minimum", state.minimum).Value("maximum", state.maximum).EndObject();
        }
        out.EndObject().BeginObject("io");
        for (const Feature& feature : features) {
            if (feature.status == QCX_STATUS_SUCCESS)
                out.Value(feature.name, feature.state);
            else if (feature.status == QCX_STATUS_NOT_SUPPORTED)
                out.Null(feature.name);
            else
                out.Value(feature.name, "error " + std::to_string(feature.status));
        }
        out.EndObject().EndObject();
        std::printf("%s\n", out.text().c_str());
        return;
    }

    std::printf("camera %d: %s, device type %d, device number %d, firmware %s, %s\n", index,
                FamilyName(type).c_str(), type, number, Hex(firmware, 4).c_str(),
                node >= 0 ? ("simulated node " + std::to_string(node)).c_str() : "USB");
    std::printf("%-22s %d x %d, %s\n", "sensor", full.values[2], full.values[3], colour ? "colour" : "monochrome");
    std::printf("%-22s %s\n", "default field of view", full.Text().c_str());
    std::printf("%-22s %d x %d, field of view %s, %d-bit samples, %d-bit images\n", "capture", captureWidth,
                captureHeight, capture.Text().c_str(), dataBits, bitCount);
    std::printf("%-22s %d x %d, field of view %s, %d-bit images\n", "preview", previewWidth, previewHeight,
                preview.Text().c_str(), previewBits);
    if (defaultBayerStatus == QCX_STATUS_SUCCESS)
        std::printf("%-22s %d (default %d), demosaic method %d\n", "bayer mode", bayer, defaultBayer, filter);
    else
        std::printf("%-22s %d, demosaic method %d\n", "bayer mode", bayer, filter);
    if (exposureStatus == QCX_STATUS_SUCCESS) std::printf("%-22s %.3f ms\n", "exposure time", exposureMs);
    std::printf("%-22s %lu ms\n", "capture time-out", static_cast<unsigned long>(timeout));
    PrintParameterTable(index);
    std::printf("I/O lines and switches\n");
    for (const Feature& feature : features) {
        if (feature.status == QCX_STATUS_SUCCESS)
            std::printf("  %-20s %s\n", feature.name, feature.state.c_str());
        else if (feature.status == QCX_STATUS_NOT_SUPPORTED)
            std::printf("  %-20s not supported\n", feature.name);
        else
            std::printf("  %-20s %s (%d)\n", feature.name, StatusText(feature.status).c_str(), feature.status);
    }
}

}  // namespace

void AddListAndInfoCommands(CLI::App& app) {
    static bool listJson = false;
    CLI::App* list = app.add_subcommand("list", "List the cameras: index, node, device type, family, device "
                                                "number, firmware, simulated or USB (bus and port path)");
    list->add_flag("--json", listJson, "Print one JSON object");
    list->callback([] { RunList(listJson); });

    static std::string device = "0";
    static bool infoJson = false;
    CLI::App* info = app.add_subcommand(
        "info", "Show what a camera offers: sizes, fields of view, sample and image bits, Bayer mode, every "
                "parameter with its value and range, its I/O lines");
    AddDeviceOption(*info, device);
    info->add_flag("--json", infoJson, "Print one JSON object");
    info->callback([] { RunInfo(device, infoJson); });
}

}  // namespace qcxcli
