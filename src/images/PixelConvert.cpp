#include "images/PixelConvert.h"
