// The styles every page template of every language shares.
#pragma once

#define PAGE_STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
#define TEXT_STYLE SS_LEFT
#define BUTTON_STYLE BS_PUSHBUTTON | WS_TABSTOP
#define DEFAULT_BUTTON_STYLE BS_DEFPUSHBUTTON | WS_TABSTOP
