#pragma once

class TMainForm;

// Every command of the main window is one action, shared by its menu item and its tool button and
// made from the tables of menus and tool bars; every command starts as the tables say, and the form
// connects them.

// Makes the menus with their actions in the form's menu bar.
void CreateMainMenus(TMainForm& form);
// Puts the buttons on the form's tool bars (ToolBar1 and ToolBar2, which must exist), each showing
// its command's action.
void CreateToolButtons(TMainForm& form);
