#include "Orb1/Critsect.h"
