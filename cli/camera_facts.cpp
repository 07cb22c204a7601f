#include "cli/camera_facts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>

#include "cli/command_support.h"
#include "qcxapi.h"
#include "qcxsim.h"

namespace qcxcli {

namespace {

struct Family {
    const char* name;
    std::initializer_list<int> types;
};

const Family kFamilies[] = {
    {"MT9V032", {21, 22, 23, 24, 28, 29, 36, 37}},
    {"1280x1024 CMOS", {0, 1, 4, 5, 17, 18, 33, 34, 38, 39}},
    {"MT9T001", {3, 7, 12, 30, 35, 40}},
    {"MT9P001", {8, 9, 10, 11, 31, 32, 41, 42}},
    {"MT9J001", {13, 14, 15, 16, 25, 26, 27, 43, 44, 45}},
    {"ICX205", {19, 20}},
    {"1628x1236 CCD", {48, 49}},
};

const char* const kParameterNames[kParameterCount] = {
    "exposure",       "red",           "green",         "blue",           "gamma",
    "preview_columnstart", "preview_rowstart", "capture_columnstart", "capture_rowstart",
    "horizontalblank", "verticalblank", "flip",         "bin",            "mirror",
    "contrast",       "brightness",    "vgagain",       "clamplevel",     "cdsgain",
    "red_shift",      "green_shift",   "blue_shift",    "companding",     "exposure_lines",
    "saturation",
};

// Lower case without blanks, so "1280x1024 cmos" and "1280X1024CMOS" match.
std::string Folded(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '-') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

const Family* FindFamily(const std::string& name) {
    for (const Family& family : kFamilies) {
        if (Folded(family.name) == Folded(name)) return &family;
    }
    return nullptr;
}

}  // namespace

std::string FamilyName(int deviceType) {
    for (const Family& family : kFamilies) {
        if (std::find(family.types.begin(), family.types.end(), deviceType) != family.types.end()) return family.name;
    }
    return "unknown";
}

bool IsFamilyName(const std::string& name) { return FindFamily(name) != nullptr; }

bool FamilyHasType(const std::string& name, int deviceType) {
    const Family* family = FindFamily(name);
    return family != nullptr &&
           std::find(family->types.begin(), family->types.end(), deviceType) != family->types.end();
}

const char* ParameterName(int parameter) {
    return parameter >= 0 && parameter < kParameterCount ? kParameterNames[parameter] : "?";
}

int ParameterByName(const std::string& name) {
    std::string folded;
    for (const char c : name) folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (folded.rfind("qcx_", 0) == 0) folded.erase(0, 4);
    for (int parameter = 0; parameter < kParameterCount; ++parameter) {
        if (folded == kParameterNames[parameter]) return parameter;
    }
    return -1;
}

void PrintParameterTable(int index) {
    std::printf("parameters             %8s %8s %8s\n", "value", "minimum", "maximum");
    for (int parameter = 0; parameter < kParameterCount; ++parameter) {
        int value = 0, minimum = 0, maximum = 0;
        int status = Traced(QCX_GetParam(index, parameter, &value), "QCX_GetParam");
        if (status == QCX_STATUS_SUCCESS)
            status = Traced(QCX_GetParamRange(index, parameter, &minimum, &maximum), "QCX_GetParamRange");
        if (status == QCX_STATUS_SUCCESS)
            std::printf("  %-20s %8d %8d %8d\n", ParameterName(parameter), value, minimum, maximum);
        else if (status == QCX_STATUS_NOT_SUPPORTED)
            std::printf("  %-20s not supported\n", ParameterName(parameter));
        else
            std::printf("  %-20s %s (%d)\n", ParameterName(parameter), StatusText(status).c_str(), status);
    }
}

int SimulatedNodeOf(int index) {
    int type = 0, number = 0;
    QCX_WORD firmware = 0;
    if (QCX_DeviceGetInformation(index, &type, &number, &firmware) != QCX_STATUS_SUCCESS) return -1;
    // Simulated cameras follow the USB ones in the node numbering.
    const int count = QCX_DeviceGetCount();
    for (int node = 0; node < count; ++node) {
        int t = 0, n = 0;
        unsigned short f = 0;
        if (QCXSimDescribe(node, &t, &n, &f) == QCXSIM_OK && t == type && n == number && f == firmware) return node;
    }
    return -1;
}

}  // namespace qcxcli
