// The identities of the taskbar list (shobjidl.h).
// Status: the class and interface ids only.
// Left out on purpose: the taskbar list object itself. There is no taskbar to show buttons or
// progress in, so the class is not in the class table and CoCreateInstance answers
// REGDB_E_CLASSNOTREG, as on a system without the class.
#include <shobjidl.h>

extern "C" {
// {56FDF344-FD6D-11D0-958A-006097C9A090}
const CLSID CLSID_TaskbarList = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
// {56FDF342-FD6D-11D0-958A-006097C9A090}
const IID IID_ITaskbarList = {0x56FDF342, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
// {EA1AFB91-9E28-4B86-90E9-9E9F8A5EEFAF}
const IID IID_ITaskbarList3 = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};
}
