// The other break: a low file that includes a header of the layer above.
#include "high/Driver.h"
