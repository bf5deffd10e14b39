#pragma once
// The grid's coordinates as a record file in the instrument's own format, with
// the index file the instrument reads beside it.
#include <string>
#include <string_view>

#include "core/compute/command_result.h"
#include "core/grid/record_grid.h"
#include "core/settings/settings_store.h"

namespace corvane {

// Unit vocabulary of the instrument options ("OtherSet"), as the file header names them.
std::string AngleUnitName(const ISettingsReader& settings);     // dms, gon, mil
std::string DistanceUnitName(const ISettingsReader& settings);  // meter, USFeet, INTFeet
std::string CoordinateOrderName(const ISettingsReader& settings);  // NEZ, ENZ
std::string HorizontalAngleName(const ISettingsReader& settings);  // Right, Left
std::string VerticalAngleName(const ISettingsReader& settings);    // VAZ, VAV, VAH

// "ZAMO RECORD FILE" and six settings lines of 16 characters (longer values make
// their line longer); no line end after the last one.
std::string InstrumentFileHeader(const ISettingsReader& settings);

// Where the index of the record file at path goes: the folder that holds the
// file's folder, then "/ZMOINDEX/", then the file name without its extension and
// ".INX". /JOBS/SITE1/A.kvm gives /JOBS/ZMOINDEX/A.INX; /A.kvm gives /ZMOINDEX/A.INX.
std::string IndexFilePath(std::string_view path);

// Writes every row that has both plan coordinates (columns 7 and 8) as a "U,MP"
// record, and the index file. The ZMOINDEX folder is not created: without it the
// command ends with "Creat index file failed!" and neither file is touched. The
// two files take their places together. Nothing is handed to the desktop to open.
CommandResult ExportInstrumentCoordinates(const RecordGrid& grid, const std::string& path,
                                          const ISettingsReader& settings);

}  // namespace corvane
