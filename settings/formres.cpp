#include "settings/formres.h"
