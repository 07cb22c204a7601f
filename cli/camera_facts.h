// Names the tool shows and accepts: sensor families by device type, the
// parameters of QCX_PARAM, simulated nodes.
#pragma once

#include <string>

namespace qcxcli {

// The sensor family of a device type ("MT9V032", "1280x1024 CMOS", ...);
// "unknown" outside the families.
std::string FamilyName(int deviceType);
// Device types of a family name (case-insensitive), for -d FAMILY:NUMBER;
// false when no family has that name.
bool FamilyHasType(const std::string& family, int deviceType);
bool IsFamilyName(const std::string& name);

// The parameters in QCX_PARAM order, lower case without the QCX_ prefix.
constexpr int kParameterCount = 25;
const char* ParameterName(int parameter);
// The identifier of a name as the user types it ("exposure", "QCX_RED",
// "Preview_ColumnStart"); -1 when there is none.
int ParameterByName(const std::string& name);

// Prints every parameter with its value and range (or why not) as a table.
void PrintParameterTable(int index);

// The simulated node behind library index `index` (matched by device type,
// number and firmware), or -1 for a camera on USB.
int SimulatedNodeOf(int index);

}  // namespace qcxcli
