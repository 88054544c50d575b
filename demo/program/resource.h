#pragma once
// Resource ids of velmora.exe.

#define IDI_PROGRAM 1
#define IDI_DOCUMENT 2
#define IDR_MAIN_MENU 100
#define IDM_FILE_EXIT 101
#define IDM_HELP_TOPICS 102
#define IDM_HELP_ABOUT 103
