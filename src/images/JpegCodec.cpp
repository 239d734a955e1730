#include "images/JpegCodec.h"
