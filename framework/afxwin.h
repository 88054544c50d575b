#pragma once
// The whole dialog framework in one include.

#include "base/handles.h"
#include "framework/controls.h"
#include "framework/cstring.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/font.h"
#include "framework/win_app.h"
#include "framework/win_thread.h"
#include "framework/wnd.h"
