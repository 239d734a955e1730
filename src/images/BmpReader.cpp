#include "images/BmpCodec.h"
