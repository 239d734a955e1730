#include "images/BitmapOps.h"
