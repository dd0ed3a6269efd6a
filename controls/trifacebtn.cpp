#include "controls/trifacebtn.h"
