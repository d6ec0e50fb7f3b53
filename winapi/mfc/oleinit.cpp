// The framework's OLE support: OLE for the calling thread, and control hosting.
// Left out: hosting ActiveX controls (the layer has none), OleUninitialize at thread end.
#include <windows.h>
#include <afxdisp.h>
#include <ole2.h>

BOOL AfxOleInit() { return SUCCEEDED(OleInitialize(nullptr)) ? TRUE : FALSE; }

void AfxEnableControlContainer() {}
