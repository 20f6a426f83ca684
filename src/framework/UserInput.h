// What a user does to a dialog, as the view reports it and as tests act it
// out: each call changes the control's state as the user's action would and
// sends the notifications the action sends. Called on another thread than
// the window's, the action is queued to the window's thread.
#pragma once

#include "framework/Dialog.h"

// Clicks a push button, check box (toggles) or radio button (checks it and
// clears the others of its group): BN_CLICKED to the parent.
void UserClick(CWnd& dialog, int nID);
// Replaces an edit's text as typing would (limit and digits-only applied):
// EN_CHANGE to the parent when the text changed.
void UserType(CWnd& dialog, int nID, TextArg text);
// Chooses item `index` of a drop-down list or list box: CBN_SELCHANGE /
// LBN_SELCHANGE to the parent.
void UserSelect(CWnd& dialog, int nID, int index);
// Clicks a tab control at a point of its client area / on the middle of
// item `index`: TCN_SELCHANGING, then (unless refused) the selection and
// TCN_SELCHANGE. A click beside the items changes nothing.
void UserClickTabAt(CWnd& dialog, int nID, POINT clientPoint);
void UserClickTab(CWnd& dialog, int nID, int index);
// Presses a key. On a control it goes to that control's window procedure
// (WM_KEYDOWN); on the dialog Escape runs IDCANCEL and Enter the default
// button's command.
void UserKey(CWnd& dialog, int nID, UINT vk);
void UserDialogKey(CWnd& dialog, UINT vk);
// Clicks an up-down control's arrow (delta +1 up, -1 down): UDN_DELTAPOS to
// the parent; unless refused the position moves within the range and the
// buddy shows it.
void UserSpin(CWnd& dialog, int nID, int delta);
// The caption's close button (WM_SYSCOMMAND SC_CLOSE) and system-menu items.
void UserCloseBox(CWnd& dialog);
void UserSystemMenu(CWnd& dialog, UINT nID);
