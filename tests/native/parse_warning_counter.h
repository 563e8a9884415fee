#pragma once

// How often the rules have asked to warn about an unreadable device link.
int ParseWarningCount();
