#pragma once

// Resource ids shared by the resource scripts and the program's code.

#define IDB_BANNER 201  // About window banner, 442 x 75, 24 bits
#define IDR_EULA 202    // license agreement, RTF, of the custom type "EULA"
#define IDI_VESTREL 203 // program icon, nine sizes
