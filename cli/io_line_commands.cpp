// qcx gpio, led, trigger, strobe and sensitivity: the camera's I/O lines and
// switches. Which of them a camera has depends on its model; the others
// answer "Operation is not Supported (-3)".
#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <string>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "qcxapi.h"

namespace qcxcli {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ParseSwitch(const std::string& text, const char* what) {
    const std::string word = Lower(text);
    if (word == "on" || word == "1") return true;
    if (word == "off" || word == "0") return false;
    throw UsageError(std::string(what) + " '" + text + "' is not on, off, 1 or 0");
}

// "0x05 00000101": the hex value and its eight lines, line 7 first.
std::string LineBits(QCX_BYTE value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x ", value);
    std::string out = text;
    for (int bit = 7; bit >= 0; --bit) out += (value >> bit) & 1 ? '1' : '0';
    return out;
}

// -------------------------------------------------------------------- gpio

void PrintGpio(int index, bool directions, bool levels) {
    if (directions) {
        QCX_BYTE value = 0;
        Check(QCX_GpioGetDirection(index, &value), "QCX_GpioGetDirection");
        std::printf("directions %s (1 = output)\n", LineBits(value).c_str());
    }
    if (levels) {
        QCX_BYTE value = 0;
        Check(QCX_GpioGetStatus(index, &value), "QCX_GpioGetStatus");
        std::printf("levels     %s\n", LineBits(value).c_str());
    }
}

void AddGpioCommands(CLI::App& app) {
    static std::string device = "0";
    static std::string mask, directions;
    CLI::App* gpio = app.add_subcommand(
        "gpio", "General purpose I/O lines, one bit per line (line 0 = bit 0), and the snap button");
    gpio->require_subcommand(1);
    AddDeviceOption(*gpio, device);  // also before the subcommand: qcx gpio -d 1 ...

    CLI::App* get = gpio->add_subcommand("get", "Show the lines' directions (1 = output) and levels");
    AddDeviceOption(*get, device);
    get->callback([] {
        LibrarySession session;
        PrintGpio(session.Open(device), true, true);
    });

    CLI::App* direction = gpio->add_subcommand(
        "direction", "Set the lines' directions, then show them as read back (for this run only: each qcx run "
                     "opens the camera afresh)");
    AddDeviceOption(*direction, device);
    direction->add_option("MASK", mask, "Directions, one bit per line, 1 = output (C notation, e.g. 0x0f)")
        ->required();
    direction->callback([] {
        const auto value = static_cast<QCX_BYTE>(ParseInteger(mask, "direction mask", 0, 0xFF));
        LibrarySession session;
        const int index = session.Open(device);
        Check(QCX_GpioSetDirection(index, value), "QCX_GpioSetDirection");
        PrintGpio(index, true, false);
    });

    CLI::App* set = gpio->add_subcommand(
        "set", "Set the levels of the output lines, then show the levels as read back (input lines show what "
               "drives them). A new run starts with the camera's directions, so give --direction to make lines "
               "outputs in the same run");
    AddDeviceOption(*set, device);
    set->add_option("LEVELS", mask, "Levels, one bit per line (C notation, e.g. 0x05)")->required();
    set->add_option("--direction", directions, "Set these directions first (1 = output)")->type_name("MASK");
    set->callback([] {
        const auto value = static_cast<QCX_BYTE>(ParseInteger(mask, "levels", 0, 0xFF));
        const bool direct = !directions.empty();
        const auto outputs = direct ? static_cast<QCX_BYTE>(ParseInteger(directions, "direction mask", 0, 0xFF))
                                    : QCX_BYTE{0};
        LibrarySession session;
        const int index = session.Open(device);
        if (direct) Check(QCX_GpioSetDirection(index, outputs), "QCX_GpioSetDirection");
        Check(QCX_GpioSetStatus(index, value), "QCX_GpioSetStatus");
        PrintGpio(index, direct, true);
    });

    CLI::App* button = gpio->add_subcommand("button", "Show whether the camera's snap button is pressed now");
    AddDeviceOption(*button, device);
    button->callback([] {
        LibrarySession session;
        const int index = session.Open(device);
        int pressed = 0;
        Check(QCX_SnapButtonStatus(index, &pressed), "QCX_SnapButtonStatus");
        std::printf("snap button %s\n", pressed ? "pressed" : "released");
    });
}

// --------------------------------------------------------------------- led

constexpr int kLamps = 3;

void PrintLed(int index, int led) {
    int on = 0;
    Check(QCX_LedGetStatus(index, led, &on), "QCX_LedGetStatus");
    std::printf("led %d %s\n", led, on ? "on" : "off");
}

void AddLedCommands(CLI::App& app) {
    static std::string device = "0";
    static std::string led, state;
    CLI::App* lamps = app.add_subcommand("led", "The camera's three status lamps, 0 ... 2");
    lamps->require_subcommand(1);
    AddDeviceOption(*lamps, device);  // also before the subcommand: qcx led -d 1 ...

    CLI::App* get = lamps->add_subcommand("get", "Show a lamp, or all three without LED");
    AddDeviceOption(*get, device);
    get->add_option("LED", led, "Lamp 0, 1 or 2");
    get->callback([] {
        const int chosen = led.empty() ? -1 : static_cast<int>(ParseInteger(led, "lamp", 0, kLamps - 1));
        LibrarySession session;
        const int index = session.Open(device);
        for (int k = 0; k < kLamps; ++k) {
            if (chosen < 0 || k == chosen) PrintLed(index, k);
        }
    });

    CLI::App* set = lamps->add_subcommand("set", "Switch a lamp on or off, then show it as read back");
    AddDeviceOption(*set, device);
    set->add_option("LED", led, "Lamp 0, 1 or 2")->required();
    set->add_option("STATE", state, "on, off, 1 or 0")->required();
    set->callback([] {
        const int lamp = static_cast<int>(ParseInteger(led, "lamp", 0, kLamps - 1));
        const bool on = ParseSwitch(state, "lamp state");
        LibrarySession session;
        const int index = session.Open(device);
        Check(QCX_LedSetStatus(index, lamp, on ? 1 : 0), "QCX_LedSetStatus");
        PrintLed(index, lamp);
    });
}

// ----------------------------------------------------------------- trigger

// The delays cannot be read from the camera: the library reports the last
// value this run set, 0 after opening.
void PrintDelay(int index, bool strobe) {
    QCX_WORD delay = 0, minimum = 0, maximum = 0;
    if (strobe) {
        Check(QCX_StrobeDelayGet(index, &delay), "QCX_StrobeDelayGet");
        Check(QCX_StrobeDelayGetRange(index, &minimum, &maximum), "QCX_StrobeDelayGetRange");
    } else {
        Check(QCX_TriggerDelayGet(index, &delay), "QCX_TriggerDelayGet");
        Check(QCX_TriggerDelayGetRange(index, &minimum, &maximum), "QCX_TriggerDelayGetRange");
    }
    std::printf("%s delay %u (%u ... %u)\n", strobe ? "strobe" : "trigger", delay, minimum, maximum);
}

void RunDelay(const std::string& device, const std::string& valueText, bool strobe) {
    const bool setting = !valueText.empty();
    const auto value = setting ? static_cast<QCX_WORD>(ParseInteger(valueText, "delay", 0, 0xFFFF)) : QCX_WORD{0};
    LibrarySession session;
    const int index = session.Open(device);
    if (setting) {
        if (strobe)
            Check(QCX_StrobeDelaySet(index, value), "QCX_StrobeDelaySet");
        else
            Check(QCX_TriggerDelaySet(index, value), "QCX_TriggerDelaySet");
    }
    PrintDelay(index, strobe);
}

constexpr const char* kDelayHelp =
    "Delay in the camera firmware's units, 0 ... 65535 (C notation). The camera does not report its delay: "
    "without VALUE this shows what the library last set, 0 in a new run";

void AddTriggerCommands(CLI::App& app) {
    static std::string device = "0";
    static std::string value;
    CLI::App* trigger = app.add_subcommand(
        "trigger", "External trigger input: mode, input state, delay and sensor mode. Settings last for this run "
                   "only; 'qcx capture --trigger' arms the trigger for its own frames");
    trigger->require_subcommand(1);
    AddDeviceOption(*trigger, device);  // also before the subcommand: qcx trigger -d 1 ...

    CLI::App* mode = trigger->add_subcommand(
        "mode", "Show the trigger mode, or set it (external: each frame waits for the trigger input; free: the "
                "camera runs freely) and show it as read back");
    AddDeviceOption(*mode, device);
    mode->add_option("MODE", value, "external or free")->check(CLI::IsMember({"external", "free"}));
    mode->callback([] {
        LibrarySession session;
        const int index = session.Open(device);
        if (!value.empty())
            Check(QCX_TriggerModeSet(index, value == "external" ? 1 : 0), "QCX_TriggerModeSet");
        int external = 0;
        Check(QCX_TriggerModeGet(index, &external), "QCX_TriggerModeGet");
        std::printf("trigger mode %s\n", external ? "external" : "free");
    });

    CLI::App* status = trigger->add_subcommand("status", "Show the trigger state the camera reports (1 or 0)");
    AddDeviceOption(*status, device);
    status->callback([] {
        LibrarySession session;
        const int index = session.Open(device);
        int fired = 0;
        Check(QCX_TriggerStatusGet(index, &fired), "QCX_TriggerStatusGet");
        std::printf("trigger status %d\n", fired);
    });

    CLI::App* delay = trigger->add_subcommand(
        "delay", "Show the trigger delay and its range, or set it and show it");
    AddDeviceOption(*delay, device);
    delay->add_option("VALUE", value, kDelayHelp);
    delay->callback([] { RunDelay(device, value, false); });

    CLI::App* sensorMode = trigger->add_subcommand(
        "sensor-mode", "Show the sensor mode (0 or 1), or set it and show it as read back");
    AddDeviceOption(*sensorMode, device);
    sensorMode->add_option("MODE", value, "0 or 1")->check(CLI::IsMember({"0", "1"}));
    sensorMode->callback([] {
        LibrarySession session;
        const int index = session.Open(device);
        if (!value.empty()) Check(QCX_SensorModeSet(index, value == "1" ? 1 : 0), "QCX_SensorModeSet");
        int mode = 0;
        Check(QCX_SensorModeGet(index, &mode), "QCX_SensorModeGet");
        std::printf("sensor mode %d\n", mode);
    });
}

// ------------------------------------------------------------------ strobe

void PrintStrobe(int index) {
    QCX_BOOL8 enabled = 0, inverted = 0;
    const int flash = Traced(QCX_FlashControlGet(index, &enabled, &inverted, nullptr), "QCX_FlashControlGet");
    QCX_WORD delay = 0, minimum = 0, maximum = 0;
    int delayStatus = Traced(QCX_StrobeDelayGet(index, &delay), "QCX_StrobeDelayGet");
    if (delayStatus == QCX_STATUS_SUCCESS)
        delayStatus = Traced(QCX_StrobeDelayGetRange(index, &minimum, &maximum), "QCX_StrobeDelayGetRange");
    // The output and the delay belong to different parts of the camera: one
    // may be missing while the other works.
    if (flash != QCX_STATUS_NOT_SUPPORTED) Check(flash, "QCX_FlashControlGet");
    if (delayStatus != QCX_STATUS_NOT_SUPPORTED) Check(delayStatus, "QCX_StrobeDelayGet");
    if (flash == QCX_STATUS_NOT_SUPPORTED && delayStatus == QCX_STATUS_NOT_SUPPORTED)
        Check(flash, "QCX_FlashControlGet");
    if (flash == QCX_STATUS_SUCCESS)
        std::printf("strobe output %s%s\n", enabled ? "on" : "off", inverted ? ", inverted" : "");
    else
        std::printf("strobe output not supported\n");
    if (delayStatus == QCX_STATUS_SUCCESS)
        std::printf("strobe delay %u (%u ... %u)\n", delay, minimum, maximum);
    else
        std::printf("strobe delay not supported\n");
}

void AddStrobeCommands(CLI::App& app) {
    static std::string device = "0";
    static std::string value;
    static bool invert = false;
    CLI::App* strobe = app.add_subcommand(
        "strobe", "Flash (strobe) output of the sensor and its delay. Settings last for this run only");
    strobe->require_subcommand(1);
    AddDeviceOption(*strobe, device);  // also before the subcommand: qcx strobe -d 1 ...

    CLI::App* get = strobe->add_subcommand(
        "get", "Show the strobe output (on or off, inverted or not) and the strobe delay with its range");
    AddDeviceOption(*get, device);
    get->callback([] {
        LibrarySession session;
        PrintStrobe(session.Open(device));
    });

    CLI::App* set = strobe->add_subcommand(
        "set", "Switch the strobe output on or off, then show it as read back (some sensors cannot invert it: "
               "--invert is then ignored)");
    AddDeviceOption(*set, device);
    set->add_option("STATE", value, "on, off, 1 or 0")->required();
    set->add_flag("--invert", invert, "Inverted polarity (active low)");
    set->callback([] {
        const bool on = ParseSwitch(value, "strobe state");
        LibrarySession session;
        const int index = session.Open(device);
        Check(QCX_FlashControlSet(index, on ? 1 : 0, invert ? 1 : 0, 0), "QCX_FlashControlSet");
        QCX_BOOL8 enabled = 0, inverted = 0;
        Check(QCX_FlashControlGet(index, &enabled, &inverted, nullptr), "QCX_FlashControlGet");
        std::printf("strobe output %s%s\n", enabled ? "on" : "off", inverted ? ", inverted" : "");
    });

    CLI::App* delay = strobe->add_subcommand("delay", "Show the strobe delay and its range, or set it and show it");
    AddDeviceOption(*delay, device);
    delay->add_option("VALUE", value, kDelayHelp);
    delay->callback([] { RunDelay(device, value, true); });
}

// ------------------------------------------------------------- sensitivity

void AddSensitivityCommand(CLI::App& app) {
    static std::string device = "0";
    static std::string mode;
    CLI::App* sensitivity = app.add_subcommand(
        "sensitivity", "Show the sensitivity mode, or set it and show it as read back (for this run only). Modes "
                       "depend on the camera: 0 ... 2 on lamp cameras, 0 ... 3 on ICX205 CCD cameras, 0 ... 7 "
                       "where the firmware keeps it (with 8-bit transfer only)");
    AddDeviceOption(*sensitivity, device);
    sensitivity->add_option("MODE", mode, "New sensitivity mode, 0 ... 7");
    sensitivity->callback([] {
        const bool setting = !mode.empty();
        const int value = setting ? static_cast<int>(ParseInteger(mode, "sensitivity mode", 0, 7)) : 0;
        LibrarySession session;
        const int index = session.Open(device);
        if (setting) Check(QCX_SensitivitySetMode(index, value), "QCX_SensitivitySetMode");
        int current = 0;
        Check(QCX_SensitivityGetMode(index, &current), "QCX_SensitivityGetMode");
        std::printf("sensitivity mode %d\n", current);
    });
}

}  // namespace

void AddIoLineCommands(CLI::App& app) {
    AddGpioCommands(app);
    AddLedCommands(app);
    AddTriggerCommands(app);
    AddStrobeCommands(app);
    AddSensitivityCommand(app);
}

}  // namespace qcxcli
