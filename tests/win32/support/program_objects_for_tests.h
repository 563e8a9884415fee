#pragma once

// How often OpenAboutWindow() was called in this test program.
int AboutWindowOpenCount();
