#pragma once

#define IDD_MAIN 101
#define IDI_MAIN 102

#define IDC_PATH_EDIT   1000
#define IDC_PLUGIN_LIST 2001
#define IDC_MASTER_LIST 2002
#define IDC_STATUS      2003
#define IDC_MOVE_TOP    2011
#define IDC_MOVE_UP     2012
#define IDC_MOVE_DOWN   2013
#define IDC_MOVE_BOTTOM 2014
#define IDC_RELOAD      2015
#define IDC_REORDER     2016
#define IDC_BROWSE      2100
#define IDC_EXPORT      2110

// Commands without a control of their own, from the lists' right-click menu.
#define IDM_SORT_BY_MASTERS 2120
// The k-th newest saved order of the data folder is restored by IDM_RESTORE_ORDER + k, k < 10.
#define IDM_RESTORE_ORDER    2130
#define IDM_APPLY_ORDER_LIST 2140
