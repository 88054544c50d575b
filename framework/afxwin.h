#pragma once
// The whole dialog framework in one include.

#include "framework/controls.h"
#include "framework/cstring.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/font.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "framework/win_thread.h"
#include "framework/wnd.h"
