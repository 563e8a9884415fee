#include "app/download_request.h"

// Placeholder until the download request lands.
void RequestDownload(HWND) {}
