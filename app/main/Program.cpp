// The program: the framework's entry point runs the one application object, which lives in the
// application library; the reference below links it in.
#include "app/LumetraApp.h"

CLumetraApp* programApplication();
CLumetraApp* programApplication() { return &theApp; }
