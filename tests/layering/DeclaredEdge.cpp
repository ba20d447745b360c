// Compiled as part of the keys module, which uses signing: this include is
// found, so the undeclared-edge probe fails for its edge alone.
#include "signing/KeyPair.h"
