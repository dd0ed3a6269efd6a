#include "controls/colorbtn.h"
