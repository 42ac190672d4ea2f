#include "switcher/ExposeState.h"

ExposeState Expose;
