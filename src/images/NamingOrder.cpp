#include "images/NamingOrder.h"
