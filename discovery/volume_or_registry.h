#pragma once

// True when drives are to be found through their volumes rather than the
// registry: the NT platform (id 2) with a major version of 6 or more and a
// minor version of 1 or more, each tested on its own. So 6.1 to 6.3 answer
// true, while 5.x, 6.0, 10.0 and any other platform answer false.
bool UseVolumeQuery(unsigned long platformId, unsigned long major, unsigned long minor);
