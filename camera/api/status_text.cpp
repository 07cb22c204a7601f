#include "camera/api/status_text.h"

namespace qcx {

namespace {
struct StatusTextEntry {
    int code;
    const char* text;
};

// Searched in this order; the first matching code gives the text.
constexpr StatusTextEntry kStatusTexts[] = {
    {1, "Successful"},
    {-8, "Fail"},
    {-1, "Parameter Error"},
    {-2, "Memory Allocation Failed"},
    {-3, "Operation is not Supported"},
    {-4, "Device cannt be Detected"},
    {-5, "Device wasn't Initialized"},
    {-6, "Illegal Operation"},
    {-7, "User No Privilege"},
    {-10, "Device Recovery Successful"},
    {-11, "Device Recovery Fail"},
    {-12, "Bad Frame From Device, Should be Discarded"},
    {-13, "Invalid Frame, Transmission Error"},
    {-14, "Zero Frame, Tranmission Error"},
    {-15, "Version Error"},
};
}  // namespace

const char* StatusText(int code) {
    for (const StatusTextEntry& entry : kStatusTexts)
        if (entry.code == code) return entry.text;
    return nullptr;
}

}  // namespace qcx
