// qcx cc and qcx log: colour correction (calibrate, save, load, switch off)
// and the library's per-camera diagnostic log.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "cli/command_support.h"
#include "cli/commands.h"
#include "qcxapi.h"

namespace qcxcli {

namespace {

// ------------------------------------------------------- colour correction

const char* ModeName(int mode) {
    switch (mode) {
    case 0: return "off";
    case 1: return "grey world";
    case 2: return "per-channel histogram equalisation";
    case 3: return "common histogram equalisation";
    case 4: return "white point";
    default: return "unknown";
    }
}

// The offsets in force are the colour shift parameters; the callback reports
// the same three, so reading them back needs no callback.
void PrintCorrection(int index, bool showLoaded) {
    int mode = 0;
    Check(QCX_ColorCorrectGet(index, &mode), "QCX_ColorCorrectGet");
    int offsets[3] = {};
    const int shifts[3] = {QCX_RED_SHIFT, QCX_GREEN_SHIFT, QCX_BLUE_SHIFT};
    for (int k = 0; k < 3; ++k) Check(QCX_GetParam(index, shifts[k], &offsets[k]), "QCX_GetParam");
    std::printf("colour correction mode %d (%s)\n", mode, ModeName(mode));
    if (showLoaded) {
        QCX_BOOL8 loaded = 0;
        Check(QCX_IsColorCorrectTableLoad(index, &loaded), "QCX_IsColorCorrectTableLoad");
        std::printf("table loaded %s\n", loaded ? "yes" : "no");
    }
    std::printf("offsets red %+d, green %+d, blue %+d\n", offsets[0], offsets[1], offsets[2]);
}

struct CalibrationOptions {
    std::string device = "0";
    std::string mode = "1";
    std::string value = "0";
    std::string region;
    std::string table;
};

void RunCalibrate(const CalibrationOptions& options) {
    const int mode = static_cast<int>(ParseInteger(options.mode, "mode", 1, 4));
    const int value = static_cast<int>(ParseInteger(options.value, "value", -2147483648LL, 2147483647LL));
    std::vector<long long> region;
    if (!options.region.empty()) {
        region = ParseIntegerList(options.region, "region");
        if (region.size() != 4) throw UsageError("--region takes four numbers: X,Y,WIDTH,HEIGHT");
    }
    LibrarySession session;
    const int index = session.Open(options.device);
    // The calibration measures the white balance region, which is empty
    // until set; without a preview it does not become the whole image.
    if (region.empty()) {
        int width = 0, height = 0;
        Check(QCX_PreviewGetSizeEx(index, &width, &height, nullptr), "QCX_PreviewGetSizeEx");
        region = {0, 0, width, height};
    }
    // A monochrome camera refuses the region; QCX_ColorCorrectSet reports it.
    Traced(QCX_AWBSetRegion(index, static_cast<int>(region[0]), static_cast<int>(region[1]),
                            static_cast<int>(region[2]), static_cast<int>(region[3])),
           "QCX_AWBSetRegion");
    // Without a preview the library calibrates at once on a frame it reads.
    Check(QCX_ColorCorrectSet(index, mode, value, 0, 0), "QCX_ColorCorrectSet");
    PrintCorrection(index, false);
    if (options.table.empty()) return;
    Check(QCX_ColorCorrectTableSave(index, options.table.c_str()), "QCX_ColorCorrectTableSave");
    if (!verbosity.quiet) std::printf("saved %s\n", options.table.c_str());
}

void AddCalibrationOptions(CLI::App& command, CalibrationOptions& options) {
    command.add_option("--mode", options.mode,
                       "1 grey world (offsets that bring red and blue onto the green mean), 2 per-channel "
                       "histogram equalisation, 3 common histogram equalisation, 4 white point (default 1)")
        ->type_name("M");
    command.add_option("--value", options.value, "Mode 4: the near-white threshold (default 0); kept and saved "
                                                  "with the other modes")
        ->type_name("V");
    command.add_option("--region", options.region,
                       "Area measured, in preview image pixels (default: the whole image)")
        ->type_name("X,Y,W,H");
}

void AddColourCommands(CLI::App& app) {
    static CalibrationOptions options;
    CLI::App* cc = app.add_subcommand(
        "cc", "Colour correction of colour cameras: calibrate it on a frame, save and load its tables, switch it "
              "off. It lasts for this run only, so save a table to keep a calibration; monochrome cameras answer "
              "-3");
    cc->require_subcommand(1);
    AddDeviceOption(*cc, options.device);  // also before the subcommand: qcx cc -d 1 ...

    CLI::App* calibrate = cc->add_subcommand(
        "calibrate", "Calibrate on a frame read now, then print the mode and the red, green and blue offsets in "
                     "force (offsets are set by mode 1; the other modes change the tables only)");
    AddDeviceOption(*calibrate, options.device);
    AddCalibrationOptions(*calibrate, options);
    calibrate->add_option("-o,--output", options.table, "Also save the correction table to this file")
        ->type_name("TABLE");
    calibrate->callback([] { RunCalibrate(options); });

    CLI::App* save = cc->add_subcommand(
        "save", "Calibrate on a frame read now and save the correction table (tables, mode, offsets, value) to "
                "TABLE, for 'qcx cc load' and for applications");
    AddDeviceOption(*save, options.device);
    save->add_option("TABLE", options.table, "Table file to write (replaced if it exists)")->required();
    AddCalibrationOptions(*save, options);
    save->callback([] { RunCalibrate(options); });

    CLI::App* load = cc->add_subcommand(
        "load", "Load a saved correction table and print the mode, whether a table is loaded, and the offsets");
    AddDeviceOption(*load, options.device);
    load->add_option("TABLE", options.table, "Table file written by 'qcx cc save'")->required();
    load->callback([] {
        LibrarySession session;
        const int index = session.Open(options.device);
        Check(QCX_ColorCorrectTableLoad(index, options.table.c_str()), "QCX_ColorCorrectTableLoad");
        PrintCorrection(index, true);
    });

    CLI::App* off = cc->add_subcommand("off", "Switch colour correction off and print the mode read back");
    AddDeviceOption(*off, options.device);
    off->callback([] {
        LibrarySession session;
        const int index = session.Open(options.device);
        Check(QCX_ColorCorrectSet(index, 0, 0, 0, 0), "QCX_ColorCorrectSet");
        PrintCorrection(index, false);
    });
}

// --------------------------------------------------------------------- log

// Where the library keeps logs when no folder is given: "QCXLogFolder"
// beside the library's own file. Empty when that file cannot be found.
std::string DefaultLogFolder() {
    std::filesystem::path library;
#if defined(_WIN32)
    HMODULE module = nullptr;
    char path[MAX_PATH] = {};
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&QCX_LogSet), &module) &&
        GetModuleFileNameA(module, path, MAX_PATH) > 0)
        library = path;
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&QCX_LogSet), &info) != 0 && info.dli_fname != nullptr)
        library = info.dli_fname;
#endif
    if (library.empty()) return "";
    return (library.parent_path() / "QCXLogFolder").string();
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error)) names.insert(entry.path().filename().string());
    }
    return names;
}

void PrintLogState() {
    QCX_BOOL8 enabled = 0;
    char folder[QCX_LOG_FOLDER_SIZE] = {};
    Check(QCX_LogGet(&enabled, folder), "QCX_LogGet");
    std::printf("log %s, folder %s\n", enabled ? "on" : "off",
                folder[0] != '\0' ? folder : ("default (" + DefaultLogFolder() + ")").c_str());
}

struct LogOptions {
    std::string folder;
    bool on = false;
    bool off = false;
};

void RunLog(const LogOptions& options) {
    if (!options.folder.empty() && !options.on && !options.off)
        throw UsageError("--folder goes with --on (or --off)");
    LibrarySession session;
    if (!options.on && !options.off) {
        PrintLogState();
        return;
    }
    Check(QCX_LogSet(options.on ? 1 : 0, options.folder.empty() ? nullptr : options.folder.c_str()), "QCX_LogSet");
    if (options.off) {
        PrintLogState();
        return;
    }
    const std::string folder = options.folder.empty() ? DefaultLogFolder() : options.folder;
    const std::set<std::string> before = FilesIn(folder);
    // Every camera opened with the log on starts a file of its own.
    const int count = QCX_DeviceGetCount();
    for (int index = 0; index < count; ++index) {
        int type = 0, number = 0;
        const int status =
            Traced(QCX_DeviceGetInformation(index, &type, &number, nullptr), "QCX_DeviceGetInformation");
        if (status == QCX_STATUS_SUCCESS)
            std::printf("camera %d: device type %d, device number %d, logging\n", index, type, number);
        else
            std::printf("camera %d: cannot be opened: %s (%d)\n", index, StatusText(status).c_str(), status);
    }
    PrintLogState();
    const std::set<std::string> after = FilesIn(folder);
    if (after.empty()) {
        std::printf("no log files in %s\n", folder.c_str());
        return;
    }
    std::printf("%zu file(s) in %s:\n", after.size(), folder.c_str());
    for (const std::string& name : after) std::printf("  %s%s\n", name.c_str(), before.count(name) ? "" : "  (new)");
}

void AddLogCommand(CLI::App& app) {
    static LogOptions options;
    CLI::App* log = app.add_subcommand(
        "log", "The library's diagnostic log, one file per camera. Without --on or --off show whether it is on and "
               "its folder; --on switches it on and opens every camera, so that each writes a log of this run, "
               "then lists the folder's files. A new qcx run starts with the log off");
    log->add_option("--folder", options.folder,
                    "Folder of the log files with --on (created if missing); default QCXLogFolder beside the library")
        ->type_name("DIR");
    CLI::Option* on = log->add_flag("--on", options.on, "Switch the log on and open every camera");
    CLI::Option* off = log->add_flag("--off", options.off, "Switch the log off");
    on->excludes(off);
    log->callback([] { RunLog(options); });
}

}  // namespace

void AddColourAndLogCommands(CLI::App& app) {
    AddColourCommands(app);
    AddLogCommand(app);
}

}  // namespace qcxcli
