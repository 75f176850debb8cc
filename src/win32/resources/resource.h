// Resource ids of postwacht.exe, shared by postwacht.rc and the code that loads them.
#pragma once

// The first icon is the program's own icon in Explorer.
#define IDI_MAIN 1
#define IDI_IVIS 2
#define IDI_STOP 3
// The tree's pictures 1 to 4.
#define IDI_TREE_ACCOUNT 11
#define IDI_TREE_ACCOUNT_SELECTED 12
#define IDI_TREE_UNREAD 13
#define IDI_TREE_TOTAL 14
