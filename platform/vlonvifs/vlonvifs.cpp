#include "vlonvifs.h"

extern "C" {

int VLONVIFS_CALL VLOnvifInit(void) { return 1; }
int VLONVIFS_CALL VLOnvifRelease(void) { return 1; }

} // extern "C"
