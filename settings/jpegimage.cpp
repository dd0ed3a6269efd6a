#include "settings/jpegimage.h"
