// The button and progress control messages, styles and notification codes the widgets send and
// watch, for as long as the layer's own headers do not declare them yet.
#pragma once

#include <windows.h>
#include <commctrl.h>

// FIXME: these go once winuser.h and commctrl.h carry the button and progress controls; the
// guards let the layer's declarations win as soon as they exist.
#ifndef BM_GETCHECK
#define BM_GETCHECK 0x00F0
#endif
#ifndef BM_SETCHECK
#define BM_SETCHECK 0x00F1
#endif
#ifndef BM_SETSTYLE
#define BM_SETSTYLE 0x00F4
#endif
#ifndef BM_CLICK
#define BM_CLICK 0x00F5
#endif
#ifndef BST_UNCHECKED
#define BST_UNCHECKED 0x0000
#endif
#ifndef BST_CHECKED
#define BST_CHECKED 0x0001
#endif
#ifndef BS_PUSHBUTTON
#define BS_PUSHBUTTON 0x00000000
#endif
#ifndef BS_DEFPUSHBUTTON
#define BS_DEFPUSHBUTTON 0x00000001
#endif
#ifndef BS_MULTILINE
#define BS_MULTILINE 0x00002000
#endif
#ifndef BN_CLICKED
#define BN_CLICKED 0
#endif
#ifndef BN_DOUBLECLICKED
#define BN_DOUBLECLICKED 5
#endif
#ifndef BCM_GETIDEALSIZE
#define BCM_GETIDEALSIZE 0x1601
#endif
#ifndef PROGRESS_CLASSW
#define PROGRESS_CLASSW u"msctls_progress32"
#endif
#ifndef PBM_SETPOS
#define PBM_SETPOS (WM_USER + 2)
#endif
#ifndef PBM_SETRANGE32
#define PBM_SETRANGE32 (WM_USER + 6)
#endif
#ifndef PBM_GETPOS
#define PBM_GETPOS (WM_USER + 8)
#endif
