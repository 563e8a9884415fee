#pragma once

#include "discovery/drive_record.h"

// The program-wide objects that exist before WinMain runs. main.cpp defines
// them together, so they are constructed in a known order; test programs
// define their own.

// Every drive that discovery found, in discovery order.
extern DriveRecordList g_driveRecords;

// Opens the program's one About window, or shows it again if it is open.
void OpenAboutWindow();
