#include "Critsect.h"
