#pragma once

// The kernel handles this process holds, counted in the system's handle list:
// Wine's GetProcessHandleCount always answers 0. -1 when the list cannot be
// read.
long OpenHandleCount();
