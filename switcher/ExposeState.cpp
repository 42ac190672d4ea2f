#include "switcher/ExposeState.h"


