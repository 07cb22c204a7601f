// qcx param, reg and eeprom: the camera's parameters by name, the registers of
// its controller and sensor, and its EEPROM byte by byte.
#include <CLI/CLI.hpp>

#include <climits>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/camera_facts.h"
#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/progress_line.h"
#include "qcxapi.h"

namespace qcxcli {

namespace {

// ---------------------------------------------------------------- parameters

int ParameterArgument(const std::string& name) {
    const int parameter = ParameterByName(name);
    if (parameter >= 0) return parameter;
    std::string names;
    for (int p = 0; p < kParameterCount; ++p) names += std::string(p > 0 ? ", " : "") + ParameterName(p);
    throw UsageError("unknown parameter '" + name + "'; the parameters are " + names +
                     " (any case, with or without QCX_)");
}

struct ParameterReading {
    int value = 0;
    int minimum = 0;
    int maximum = 0;
};

ParameterReading ReadParameter(int index, int parameter) {
    ParameterReading reading;
    Check(QCX_GetParam(index, parameter, &reading.value), "QCX_GetParam");
    Check(QCX_GetParamRange(index, parameter, &reading.minimum, &reading.maximum), "QCX_GetParamRange");
    return reading;
}

void PrintParameter(int parameter, const ParameterReading& reading, const char* note = "") {
    std::printf("%s = %d (%d ... %d)%s\n", ParameterName(parameter), reading.value, reading.minimum, reading.maximum,
                note);
}

void RunParamGet(const std::string& device, const std::string& name) {
    const int chosen = name.empty() ? -1 : ParameterArgument(name);
    LibrarySession session;
    const int index = session.Open(device);
    if (chosen >= 0) {
        PrintParameter(chosen, ReadParameter(index, chosen));
        return;
    }
    PrintParameterTable(index);
}

void RunParamSet(const std::string& device, const std::string& name, const std::string& valueText) {
    const int parameter = ParameterArgument(name);
    const int value = static_cast<int>(ParseInteger(valueText, "value", INT_MIN, INT_MAX));
    LibrarySession session;
    const int index = session.Open(device);
    const int status = Traced(QCX_SetParam(index, parameter, value), "QCX_SetParam");
    // Contrast and brightness answer -8 when the value is already in force;
    // for the user that is not a failure.
    if (status == QCX_STATUS_FAIL && (parameter == QCX_CONTRAST || parameter == QCX_BRIGHTNESS)) {
        const ParameterReading reading = ReadParameter(index, parameter);
        if (reading.value != value) Check(status, "QCX_SetParam");
        PrintParameter(parameter, reading, ", unchanged");
        return;
    }
    Check(status, "QCX_SetParam");
    PrintParameter(parameter, ReadParameter(index, parameter));
}

void RunParamRange(const std::string& device, const std::string& name) {
    const int parameter = ParameterArgument(name);
    LibrarySession session;
    const int index = session.Open(device);
    int minimum = 0, maximum = 0;
    Check(QCX_GetParamRange(index, parameter, &minimum, &maximum), "QCX_GetParamRange");
    std::printf("%s: %d ... %d\n", ParameterName(parameter), minimum, maximum);
}

// ----------------------------------------------------------------- registers

enum class Space { Fx2, Sfr, Sensor };

Space SpaceByName(const std::string& name) {
    if (name == "fx2") return Space::Fx2;
    if (name == "sfr") return Space::Sfr;
    return Space::Sensor;
}

// The sensor's 8-bit-address requests serve addresses up to 0xFF unless the
// 16-bit-address form is asked for.
bool WideSensorAddress(unsigned address, bool wide) { return wide || address > 0xFF; }

std::string RegisterLine(const std::string& space, Space kind, unsigned address, bool wide, unsigned value) {
    const int addressDigits = kind == Space::Fx2 || (kind == Space::Sensor && WideSensorAddress(address, wide)) ||
                                      address > 0xFF
                                  ? 4
                                  : 2;
    const int valueDigits = kind == Space::Sensor ? 4 : 2;
    return space + " " + Hex(address, addressDigits) + " = " + Hex(value, valueDigits) + " (" + std::to_string(value) +
           ")";
}

// Reads one register; the status, with the name of the call made.
int ReadRegister(int index, Space kind, unsigned address, bool wide, unsigned* value, const char** call) {
    int status = QCX_STATUS_SUCCESS;
    if (kind == Space::Sensor) {
        QCX_WORD word = 0;
        if (WideSensorAddress(address, wide)) {
            *call = "QCX_RdSensorRegX";
            status = QCX_RdSensorRegX(index, static_cast<QCX_WORD>(address), &word);
        } else {
            *call = "QCX_RdSensorReg";
            status = QCX_RdSensorReg(index, static_cast<QCX_BYTE>(address), &word);
        }
        *value = word;
    } else {
        QCX_BYTE byte = 0;
        *call = kind == Space::Fx2 ? "QCX_RdFx2Reg" : "QCX_RdFx2Sfr";
        status = kind == Space::Fx2 ? QCX_RdFx2Reg(index, static_cast<QCX_WORD>(address), &byte)
                                    : QCX_RdFx2Sfr(index, static_cast<QCX_WORD>(address), &byte);
        *value = byte;
    }
    return Traced(status, *call);
}

struct RegisterOptions {
    std::string device = "0";
    std::string space;
    std::string address;
    std::string value;
    std::string count = "1";
    bool wide = false;
};

void CheckWideUse(const RegisterOptions& options) {
    if (options.wide && options.space != "sensor") throw UsageError("--wide applies to sensor registers only");
}

void RunRegRead(const RegisterOptions& options) {
    CheckWideUse(options);
    const Space kind = SpaceByName(options.space);
    const auto first = static_cast<unsigned>(ParseInteger(options.address, "address", 0, 0xFFFF));
    const auto count = static_cast<unsigned>(ParseInteger(options.count, "count", 1, 0x10000));
    if (first + count - 1 > 0xFFFF) throw UsageError("address + count goes past 0xffff");
    LibrarySession session;
    const int index = session.Open(options.device);
    for (unsigned k = 0; k < count; ++k) {
        unsigned value = 0;
        const char* call = "";
        Check(ReadRegister(index, kind, first + k, options.wide, &value, &call), call);
        std::printf("%s\n", RegisterLine(options.space, kind, first + k, options.wide, value).c_str());
    }
}

void RunRegWrite(const RegisterOptions& options) {
    CheckWideUse(options);
    const Space kind = SpaceByName(options.space);
    const auto address = static_cast<unsigned>(ParseInteger(options.address, "address", 0, 0xFFFF));
    // Controller registers hold a byte, sensor registers a 16-bit word.
    const auto value = static_cast<unsigned>(
        ParseInteger(options.value, kind == Space::Sensor ? "value (a 16-bit word)" : "value (a byte)", 0,
                     kind == Space::Sensor ? 0xFFFF : 0xFF));
    LibrarySession session;
    const int index = session.Open(options.device);
    switch (kind) {
    case Space::Fx2:
        Check(QCX_WrFx2Reg(index, static_cast<QCX_WORD>(address), static_cast<QCX_BYTE>(value)), "QCX_WrFx2Reg");
        break;
    case Space::Sfr:
        Check(QCX_WrFx2Sfr(index, static_cast<QCX_WORD>(address), static_cast<QCX_BYTE>(value)), "QCX_WrFx2Sfr");
        break;
    case Space::Sensor:
        if (WideSensorAddress(address, options.wide))
            Check(QCX_WrSensorRegX(index, static_cast<QCX_WORD>(address), static_cast<QCX_WORD>(value)),
                  "QCX_WrSensorRegX");
        else
            Check(QCX_WrSensorReg(index, static_cast<QCX_BYTE>(address), static_cast<QCX_WORD>(value)),
                  "QCX_WrSensorReg");
        break;
    }
    unsigned readBack = 0;
    const char* call = "";
    Check(ReadRegister(index, kind, address, options.wide, &readBack, &call), call);
    std::printf("%s\n", RegisterLine(options.space, kind, address, options.wide, readBack).c_str());
}

// -------------------------------------------------------------------- EEPROM

// 16-bit addresses have requests of their own; the 32-bit ones reach the rest.
bool WideEepromAddress(unsigned long long address, bool wide) { return wide || address > 0xFFFF; }

int ReadEepromByte(int index, unsigned long long address, bool wide, QCX_BYTE* value, const char** call) {
    if (WideEepromAddress(address, wide)) {
        *call = "QCX_RdEEPROMEx";
        return Traced(QCX_RdEEPROMEx(index, static_cast<QCX_DWORD>(address), value), *call);
    }
    *call = "QCX_RdEEPROM";
    return Traced(QCX_RdEEPROM(index, static_cast<QCX_WORD>(address), value), *call);
}

int WriteEepromByte(int index, unsigned long long address, bool wide, QCX_BYTE value, const char** call) {
    if (WideEepromAddress(address, wide)) {
        *call = "QCX_WrEEPROMEx";
        return Traced(QCX_WrEEPROMEx(index, static_cast<QCX_DWORD>(address), value), *call);
    }
    *call = "QCX_WrEEPROM";
    return Traced(QCX_WrEEPROM(index, static_cast<QCX_WORD>(address), value), *call);
}

std::string EepromLine(unsigned long long address, bool wide, QCX_BYTE value) {
    return "eeprom " + Hex(address, WideEepromAddress(address, wide) ? 8 : 4) + " = " + Hex(value, 2) + " (" +
           std::to_string(value) + ")";
}

struct EepromOptions {
    std::string device = "0";
    std::string address;
    std::vector<std::string> values;
    std::string count = "1";
    std::string from = "0";
    std::string dumpCount = "256";
    std::string output;
    bool wide = false;
};

constexpr long long kLastEepromAddress = 0xFFFFFFFFLL;

unsigned long long FirstAndCount(const std::string& addressText, const std::string& countText, long long maxCount,
                                 unsigned long long* count) {
    const auto first = static_cast<unsigned long long>(ParseInteger(addressText, "address", 0, kLastEepromAddress));
    *count = static_cast<unsigned long long>(ParseInteger(countText, "count", 1, maxCount));
    if (first + *count - 1 > static_cast<unsigned long long>(kLastEepromAddress))
        throw UsageError("address + count goes past 0xffffffff");
    return first;
}

void RunEepromRead(const EepromOptions& options) {
    unsigned long long count = 0;
    const unsigned long long first = FirstAndCount(options.address, options.count, 0x10000, &count);
    LibrarySession session;
    const int index = session.Open(options.device);
    for (unsigned long long k = 0; k < count; ++k) {
        QCX_BYTE value = 0;
        const char* call = "";
        Check(ReadEepromByte(index, first + k, options.wide, &value, &call), call);
        std::printf("%s\n", EepromLine(first + k, options.wide, value).c_str());
    }
}

void RunEepromWrite(const EepromOptions& options) {
    unsigned long long count = options.values.size();
    const auto first = static_cast<unsigned long long>(ParseInteger(options.address, "address", 0, kLastEepromAddress));
    if (first + count - 1 > static_cast<unsigned long long>(kLastEepromAddress))
        throw UsageError("the values go past address 0xffffffff");
    std::vector<QCX_BYTE> bytes;
    for (const std::string& text : options.values)
        bytes.push_back(static_cast<QCX_BYTE>(ParseInteger(text, "value (a byte)", 0, 0xFF)));
    LibrarySession session;
    const int index = session.Open(options.device);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const char* call = "";
        Check(WriteEepromByte(index, first + k, options.wide, bytes[k], &call), call);
        // The 32-bit-address write has no status of its own: reading back tells.
        QCX_BYTE readBack = 0;
        Check(ReadEepromByte(index, first + k, options.wide, &readBack, &call), call);
        std::printf("%s\n", EepromLine(first + k, options.wide, readBack).c_str());
    }
}

void PrintHexDump(unsigned long long first, const std::vector<QCX_BYTE>& bytes, bool wide) {
    const int digits = WideEepromAddress(first + (bytes.empty() ? 0 : bytes.size() - 1), wide) ? 8 : 4;
    for (std::size_t line = 0; line < bytes.size(); line += 16) {
        std::string hex, ascii;
        for (std::size_t k = line; k < line + 16; ++k) {
            if (k == line + 8) hex += " ";
            if (k < bytes.size()) {
                char cell[4];
                std::snprintf(cell, sizeof cell, " %02x", bytes[k]);
                hex += cell;
                ascii += bytes[k] >= 0x20 && bytes[k] < 0x7F ? static_cast<char>(bytes[k]) : '.';
            } else {
                hex += "   ";
            }
        }
        std::printf("%s %s  |%s|\n", Hex(first + line, digits).c_str(), hex.c_str(), ascii.c_str());
    }
}

void RunEepromDump(const EepromOptions& options) {
    unsigned long long count = 0;
    const unsigned long long first = FirstAndCount(options.from, options.dumpCount, 0x10000, &count);
    LibrarySession session;
    const int index = session.Open(options.device);
    std::vector<QCX_BYTE> bytes;
    bytes.reserve(count);
    int status = QCX_STATUS_SUCCESS;
    const char* call = "";
    {
        ProgressLine progress("bytes");
        for (unsigned long long k = 0; k < count && !Interrupted(); ++k) {
            QCX_BYTE value = 0;
            status = ReadEepromByte(index, first + k, options.wide, &value, &call);
            if (status != QCX_STATUS_SUCCESS) break;
            bytes.push_back(value);
            progress.Update(static_cast<long long>(bytes.size()));
        }
        progress.Finish();
    }
    if (options.output.empty()) {
        PrintHexDump(first, bytes, options.wide);
    } else if (status == QCX_STATUS_SUCCESS && !Interrupted()) {
        std::ofstream file(options.output, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) throw std::runtime_error("cannot write " + options.output);
        if (!verbosity.quiet)
            std::printf("wrote %s: %zu bytes from EEPROM address %s\n", options.output.c_str(), bytes.size(),
                        Hex(first, WideEepromAddress(first, options.wide) ? 8 : 4).c_str());
    }
    if (status != QCX_STATUS_SUCCESS) {
        std::fflush(stdout);
        if (!options.output.empty()) std::fprintf(stderr, "qcx: %s not written\n", options.output.c_str());
        Check(status, call);
    }
    if (Interrupted()) throw ApiError("interrupted after " + std::to_string(bytes.size()) + " bytes", QCX_STATUS_FAIL);
}

void AddParamCommands(CLI::App& app) {
    static std::string device = "0";
    static std::string name, value;
    CLI::App* param = app.add_subcommand(
        "param", "Read, set and bound the camera's parameters by name (exposure, red, gamma, flip, ...; any case, "
                 "with or without QCX_). 'qcx param get' lists them all");
    param->require_subcommand(1);
    AddDeviceOption(*param, device);  // also before the subcommand: qcx param -d 1 ...

    CLI::App* get = param->add_subcommand(
        "get", "Show a parameter's value and range; without NAME every parameter, as qcx info lists them");
    AddDeviceOption(*get, device);
    get->add_option("NAME", name, "Parameter name, e.g. exposure, gamma, red_shift");
    get->callback([] { RunParamGet(device, name); });

    CLI::App* set = param->add_subcommand(
        "set", "Set a parameter, then print the value the camera reports back (the library clamps or adjusts many "
               "values). The setting lasts for this run only");
    AddDeviceOption(*set, device);
    set->add_option("NAME", name, "Parameter name")->required();
    set->add_option("VALUE", value, "New value, an integer in C notation (decimal, 0x hex); negative values as "
                                     "they are, e.g. -5")
        ->required();
    set->callback([] { RunParamSet(device, name, value); });

    CLI::App* range = param->add_subcommand("range", "Show the minimum and maximum the camera gives a parameter");
    AddDeviceOption(*range, device);
    range->add_option("NAME", name, "Parameter name")->required();
    range->callback([] { RunParamRange(device, name); });
}

void AddRegCommands(CLI::App& app) {
    static RegisterOptions options;
    CLI::App* reg = app.add_subcommand(
        "reg", "Read and write registers: fx2 (the FX2 controller's registers, 16-bit address, byte value), sfr (its "
               "special function registers, byte value), sensor (16-bit sensor registers; addresses above 0xff or "
               "--wide use the 16-bit-address requests)");
    reg->require_subcommand(1);
    AddDeviceOption(*reg, options.device);  // also before the subcommand: qcx reg -d 1 ...
    const auto addCommon = [](CLI::App* command) {
        AddDeviceOption(*command, options.device);
        command->add_option("SPACE", options.space, "fx2, sfr or sensor")
            ->required()
            ->check(CLI::IsMember({"fx2", "sfr", "sensor"}));
        command->add_option("ADDR", options.address, "Register address, 0 ... 0xffff (C notation)")->required();
        command->add_flag("--wide", options.wide,
                          "Sensor registers: use the 16-bit-address request also for addresses up to 0xff");
    };

    CLI::App* read = reg->add_subcommand(
        "read", "Read registers and print each as 'SPACE ADDRESS = HEX (DECIMAL)'; stops at the first failure");
    addCommon(read);
    read->add_option("--count", options.count, "Consecutive registers to read (default 1)")->type_name("N");
    read->callback([] { RunRegRead(options); });

    CLI::App* write = reg->add_subcommand(
        "write", "Write a register, then read it back and print it (registers that change by themselves may read "
                 "differently)");
    addCommon(write);
    write->add_option("VALUE", options.value, "Value: a byte (0 ... 0xff) for fx2 and sfr, a 16-bit word for sensor")
        ->required();
    write->callback([] { RunRegWrite(options); });
}

void AddEepromCommands(CLI::App& app) {
    static EepromOptions options;
    CLI::App* eeprom = app.add_subcommand(
        "eeprom", "Read, write and dump the camera's EEPROM byte by byte. Addresses up to 0xffff use the 16-bit-"
                  "address requests; addresses above (or --wide) the 32-bit-address ones, which reach a memory of "
                  "their own on some cameras");
    eeprom->require_subcommand(1);
    AddDeviceOption(*eeprom, options.device);  // also before the subcommand: qcx eeprom -d 1 ...
    const auto addCommon = [](CLI::App* command) {
        AddDeviceOption(*command, options.device);
        command->add_flag("--wide", options.wide, "Use the 32-bit-address requests for every address");
    };

    CLI::App* read = eeprom->add_subcommand(
        "read", "Read EEPROM bytes, one line each: 'eeprom ADDRESS = HEX (DECIMAL)'; stops at the first failure");
    addCommon(read);
    read->add_option("ADDR", options.address, "Address, 0 ... 0xffffffff (C notation)")->required();
    read->add_option("--count", options.count, "Consecutive bytes to read (default 1, at most 65536)")
        ->type_name("N");
    read->callback([] { RunEepromRead(options); });

    CLI::App* write = eeprom->add_subcommand(
        "write", "Write bytes at consecutive addresses, reading each back and printing it; stops at the first "
                 "failure. What is written stays in the camera");
    addCommon(write);
    write->add_option("ADDR", options.address, "Address of the first byte (C notation)")->required();
    write->add_option("VALUE", options.values, "Bytes to write, 0 ... 0xff each")->required();
    write->callback([] { RunEepromWrite(options); });

    CLI::App* dump = eeprom->add_subcommand(
        "dump", "Read a block of the EEPROM and print it as a hex dump (16 bytes a line, address and ASCII "
                "columns), or write the bytes to a binary file with -o. A failed read ends the dump with the error "
                "(the bytes before it are printed; no file is written)");
    addCommon(dump);
    dump->add_option("--from", options.from, "First address (default 0)")->type_name("A");
    dump->add_option("--count", options.dumpCount, "Bytes to read (default 256, at most 65536)")->type_name("N");
    dump->add_option("-o,--output", options.output, "Binary file to write instead of the hex dump")
        ->type_name("FILE");
    dump->callback([] {
        WatchInterrupt();
        RunEepromDump(options);
    });
}

}  // namespace

void AddRegisterCommands(CLI::App& app) {
    AddParamCommands(app);
    AddRegCommands(app);
    AddEepromCommands(app);
}

}  // namespace qcxcli
