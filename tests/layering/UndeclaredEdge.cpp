// Compiled as part of the runner module, which does not use signing: this
// include must not be found, so the build of this file fails.
#include "signing/KeyPair.h"
