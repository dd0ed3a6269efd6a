#include "settings/uiutil.h"
