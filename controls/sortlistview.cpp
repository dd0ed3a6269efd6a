#include "controls/sortlistview.h"
