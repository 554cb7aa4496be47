#include "tests/TestSupport.h"
