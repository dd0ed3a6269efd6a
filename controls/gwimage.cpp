#include "controls/gwimage.h"
