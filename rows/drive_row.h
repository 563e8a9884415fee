#pragma once

#include <string>

// Which scan made a row of the drive list.
enum class RowSource { Discovery, Identify };

// One row of the drive list, its texts exactly as the list shows them.
struct DriveRow {
    RowSource source;
    std::string model;
    std::string serial;
    std::string firmware;
};
