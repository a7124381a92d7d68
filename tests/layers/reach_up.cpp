// Compiled as a file of config/ would be: its own layer's header is found,
// a higher layer's is not.
#include "config/Model.h"
#include "comm/Fronta.h"
