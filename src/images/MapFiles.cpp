#include "images/MapFiles.h"
