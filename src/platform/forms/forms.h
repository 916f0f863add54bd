// The forms layer: forms, controls, control arrays, menus and the window system.
#pragma once

#include "platform/forms/control.h"
#include "platform/forms/control_array.h"
#include "platform/forms/form.h"
#include "platform/forms/property.h"
#include "platform/forms/types.h"
#include "platform/forms/window_system.h"
