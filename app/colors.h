#pragma once
// The colour values and their Qt colours live with the platform layer.
#include "platform/colorvalue.h"
