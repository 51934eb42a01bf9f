#include "vlplay.h"

extern "C" {

int VLPLAY_CALL VLPlayInitPlayLib(void) { return 1; }
int VLPLAY_CALL VLPlayDeinitPlayLib(void) { return 1; }

} // extern "C"
