#include "e2e.h"
