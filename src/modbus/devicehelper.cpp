#include "modbus/devicehelper.h"
