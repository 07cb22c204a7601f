// The command groups of qcx; each adds its subcommands to the tool.
#pragma once

namespace CLI {
class App;
}

namespace qcxcli {

void AddListAndInfoCommands(CLI::App& app);
void AddCaptureCommand(CLI::App& app);
void AddPreviewCommand(CLI::App& app);
void AddRegisterCommands(CLI::App& app);  // param, reg, eeprom
void AddIoLineCommands(CLI::App& app);    // gpio, led, trigger, strobe, sensitivity
void AddColourAndLogCommands(CLI::App& app);  // cc, log

}  // namespace qcxcli
