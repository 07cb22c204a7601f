// Map table files: a 20-byte little-endian header (12 bytes not interpreted,
// the count N of 8-byte records, the table length L of at most 4096), N
// records that are skipped, then L map entries from entry 0 on.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "camera/imaging/pipeline_settings.h"

namespace qcx {

// With `enable` false the map table is taken out of use (its contents stay)
// and 1 is returned. Otherwise: -1 for a null file name, -8 when the file
// cannot be opened or is refused by ReadMapTable (table and its use unchanged),
// else the entries are loaded, the table is put in use and 1 is returned.
int LoadMapTableFile(PipelineSettings& s, bool enable, const char* file);

// Reads a map table file from an open stream: 1 with the entries the file
// reaches read into `table` (the entries past the table length or past the end
// of a short file keep their values), or -8, with `table` unchanged, for a
// file shorter than its header or announcing more than 4096 entries.
int ReadMapTable(std::FILE* file, std::array<std::uint8_t, 4096>& table);

}  // namespace qcx
