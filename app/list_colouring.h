#pragma once

#include <windows.h>

#include <commctrl.h>

// Answers one custom-draw notification of the drive list: asks for item and
// sub-item notifications, and sets each row's text colour, red or green, from
// the row's model and revision cells. Returns the CDRF_* answer.
LRESULT AnswerDriveListCustomDraw(NMLVCUSTOMDRAW* draw);
