#include "app/drive_rows.h"

// Placeholder until discovery lands: no discovery source yet.
void PopulateDriveList(HWND) {}
