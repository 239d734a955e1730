#include "images/MapMatrix.h"
